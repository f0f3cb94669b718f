// UTF-8 texts and paths of the program as Qt strings, and back.
#pragma once

#include <QDir>
#include <QString>

#include <filesystem>
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

} // namespace tarnelo
