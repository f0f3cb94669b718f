// GBK (code page 936) at the file boundary: texts are UTF-8 inside the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

// Decodes GBK bytes. Bytes that are not valid GBK (a damaged file) each become U+FFFD; the
// rest of the text is still decoded.
std::string gbkToUtf8(std::string_view bytes);

// Encodes a UTF-8 text as GBK; std::nullopt when a character cannot be held in GBK or the
// text is not valid UTF-8.
std::optional<std::string> utf8ToGbk(std::string_view text);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isUtf8(std::string_view bytes);

// The first character of a UTF-8 text that GBK cannot hold (empty when there is none), for
// messages that name it.
std::string firstCharacterOutsideGbk(std::string_view text);

} // namespace tarnelo
