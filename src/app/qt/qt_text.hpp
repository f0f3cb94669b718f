// UTF-8 texts and paths of the program as Qt strings, and back.
#pragma once

#include <QDir>
#include <QString>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tarnelo {

inline QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

inline QString qpath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                             static_cast<qsizetype>(text.size()));
}

// A path from Qt (a dialog's choice, a dropped file) with the system's own separators, so that
// every message naming it shows it as the user's system writes it (C:\Users\…, not C:/Users/…).
inline std::filesystem::path toPath(const QString& text) {
    const QByteArray bytes = QDir::toNativeSeparators(text).toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
}

// The text with each full-width bracket "（…）" replaced by what `replace` makes of its inside
// (the bracket whole, a shorter one, or nothing). An unclosed bracket stays as it is.
inline std::string
rewriteBrackets(std::string_view text,
                const std::function<std::string(std::string_view inside)>& replace) {
    constexpr std::string_view kOpen = "（";
    constexpr std::string_view kClose = "）";
    std::string shown;
    std::size_t from = 0;
    while (true) {
        const std::size_t open = text.find(kOpen, from);
        const std::size_t close =
            open == std::string_view::npos ? open : text.find(kClose, open + kOpen.size());
        if (close == std::string_view::npos) {
            break;
        }
        shown.append(text.substr(from, open - from));
        shown.append(replace(text.substr(open + kOpen.size(), close - open - kOpen.size())));
        from = close + kClose.size();
    }
    shown.append(text.substr(from));
    return shown;
}

} // namespace tarnelo
