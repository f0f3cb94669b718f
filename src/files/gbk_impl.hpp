// What gbk.cpp and each system's converter (gbk_posix.cpp, gbk_windows.cpp) share. Not for use
// outside src/files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnelo::detail {

// U+FFFD, in UTF-8: what a byte that starts no GBK character decodes to.
inline constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// gbkToUtf8 and utf8ToGbk through the system's converter, for texts that are not plain ASCII
// (those two hand ASCII back as it is).
std::string decodeGbk(std::string_view bytes);
std::optional<std::string> encodeGbk(std::string_view text);

} // namespace tarnelo::detail
