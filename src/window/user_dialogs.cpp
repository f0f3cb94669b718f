#include "window/user_dialogs.hpp"

namespace tarnelo {

std::string readableMessage(std::string_view text, std::size_t mostCharacters,
                            std::size_t mostLines) {
    std::size_t characters = 0;
    std::size_t lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xc0) == 0x80) {
            continue; // inside a character
        }
        if (characters == mostCharacters || lines > mostLines) {
            std::string cut(text.substr(0, i));
            while (!cut.empty() && (cut.back() == '\n' || cut.back() == ' ')) {
                cut.pop_back();
            }
            return cut + "…";
        }
        ++characters;
        if (c == '\n') {
            ++lines;
        }
    }
    return std::string(text);
}

} // namespace tarnelo
