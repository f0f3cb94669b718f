#include "app/qt/settings_place.hpp"

#include "app/qt/qt_text.hpp"
#include "files/file_io.hpp"
#include "window/program_paths.hpp"

#include <QCoreApplication>

#include <system_error>

namespace tarnelo {

namespace {

// Something there that is neither a file nor a folder (Qt refuses a folder at once by itself).
bool neitherFileNorFolder(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

} // namespace

std::optional<std::string> keepSettingsInFolder(QSettings::Format format,
                                                const std::filesystem::path& folder,
                                                const QString& extension) {
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    const QString base = qpath(folder) + QLatin1Char('/');
    // What Qt reads for the window (the application's file, then the organisation's) and for
    // its own dialogs.
    const QString files[] = {base + organisation + QLatin1Char('/') + application + extension,
                             base + organisation + extension,
                             base + QStringLiteral("QtProject") + extension};
    for (const QString& file : files) {
        for (const QString& path : {file, file + QStringLiteral(".lock")}) {
            const std::filesystem::path bad = toPath(path);
            if (!neitherFileNorFolder(bad)) {
                continue;
            }
            // Every settings file is then looked for below something that is no folder: each
            // open fails at once, as for a settings file that cannot be read.
            QSettings::setPath(format, QSettings::UserScope, path + QLatin1Char('/'));
            return "设置文件“" + escapedName(bad) +
                   "”不是普通文件（是管道、设备或套接字），无法读取：本次运行使用默认设置，"
                   "窗口大小和最近的文件夹等设置不会保存。请删除它或换成普通文件。";
        }
    }
    QSettings::setPath(format, QSettings::UserScope, qpath(folder));
    return std::nullopt;
}

std::optional<std::string> keepSettingsInDataFolder(const std::filesystem::path& programFolder) {
    QSettings::setDefaultFormat(QSettings::IniFormat);
    return keepSettingsInFolder(QSettings::IniFormat, paths::dataFolder(programFolder),
                                QStringLiteral(".ini"));
}

} // namespace tarnelo
