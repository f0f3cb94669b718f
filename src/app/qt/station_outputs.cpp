#include "app/qt/station_outputs.hpp"

#include "app/qt/qt_text.hpp"
#include "window/program_paths.hpp"

#include <QSettings>

#include <system_error>

namespace tarnelo {

std::string stationOutputName(std::string_view station, int year, std::string_view what,
                              std::string_view suffix) {
    std::string name;
    const auto add = [&name](std::string_view part) {
        if (part.empty()) {
            return;
        }
        if (!name.empty()) {
            name += ' ';
        }
        name += part;
    };
    std::string place;
    for (const char c : station) {
        // Characters no file system takes, and control characters.
        const bool forbidden = std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos ||
                               static_cast<unsigned char>(c) < 0x20;
        if (!forbidden) {
            place += c;
        }
    }
    add(utf8(qtext(place).trimmed()));
    add(year > 0 ? std::to_string(year) : std::string());
    add(what);
    return name + "." + std::string(suffix);
}

std::filesystem::path keptFolder(const char* key, const std::filesystem::path& fallback) {
    const QString kept = QSettings().value(QString::fromLatin1(key)).toString();
    std::error_code error;
    if (!kept.isEmpty() && std::filesystem::is_directory(toPath(kept), error)) {
        return toPath(kept);
    }
    return fallback;
}

void keepFolder(const char* key, const std::filesystem::path& folder) {
    QSettings().setValue(QString::fromLatin1(key), qpath(folder));
}

FileChoice chooseStationOutput(Window& owner, const FileDialogSpec& dialog,
                               std::string_view station, int year, std::string_view what) {
    const std::filesystem::path folder =
        keptFolder(kStationOutputSetting, paths::excelFolder(owner.documentFolder()));
    // A path that names a file starts the dialog in its folder with the name proposed.
    const FileChoice choice = owner.chooseFile(
        dialog,
        folder / toPath(qtext(stationOutputName(station, year, what, dialog.defaultSuffix))));
    if (choice.confirmed && choice.path.has_parent_path()) {
        keepFolder(kStationOutputSetting, choice.path.parent_path());
    }
    return choice;
}

} // namespace tarnelo
