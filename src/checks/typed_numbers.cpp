// Why a typed cell is not a number, in the words a field book's typist needs: a decimal comma,
// a Chinese full stop, digits typed in full-width mode.
#include "checks/check_support.hpp"
#include "measure/numtext.hpp"

#include <cmath>

namespace tarnelo::check_support {

namespace {

// A comma between two digits ("1,3", "1，3"): a decimal comma or a slipped key.
bool commaInNumber(std::string_view text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::string_view comma : {std::string_view(","), std::string_view("，")}) {
        for (std::size_t at = text.find(comma); at != std::string_view::npos;
             at = text.find(comma, at + 1)) {
            const std::size_t after = at + comma.size();
            if (at > 0 && digit(text[at - 1]) && after < text.size() && digit(text[after])) {
                return true;
            }
        }
    }
    return false;
}

// What a Chinese input method puts in place of a digit, a point or a sign: the full stop, or
// full-width characters when its full-width mode is on.
std::string inputMethodCause(std::string_view text) {
    if (text.find("。") != std::string_view::npos) {
        return "小数点请用“.”，不是句号“。”";
    }
    for (std::string_view mark :
         {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９", "．", "－", "＋"}) {
        if (text.find(mark) != std::string_view::npos) {
            return "含全角字符“" + std::string(mark) + "”，请切换到半角输入";
        }
    }
    return {};
}

} // namespace

std::string notANumber(std::string_view text) {
    if (commaInNumber(text)) {
        return quoted(text) + "：小数点请用“.”";
    }
    std::string said = quoted(text) + "不是数字";
    if (const std::string cause = inputMethodCause(text); !cause.empty()) {
        said += "（" + cause + "）";
    }
    // The computation reads what it can of the text; the reason says what it took.
    if (const double read = num::numberOf(text); std::isfinite(read)) {
        said += "，将按 " + num::plainText(read) + " 计算";
    }
    return said;
}

} // namespace tarnelo::check_support
