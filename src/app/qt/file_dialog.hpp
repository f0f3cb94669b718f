// The window's open and save dialogs on screen: Qt's own dialog (in Chinese once Qt's
// translations are loaded), in the detail view and wide enough for its columns.
#pragma once

#include "window/window.hpp"

#include <filesystem>
#include <optional>

class QWidget;

namespace tarnelo {

// Shows the dialog modally, starting in initialFolder with `name` proposed (none when empty);
// the chosen path, or std::nullopt when the user cancelled.
std::optional<std::filesystem::path> showFileDialog(QWidget* parent, const FileDialogSpec& dialog,
                                                    const std::filesystem::path& initialFolder,
                                                    const std::filesystem::path& name);

} // namespace tarnelo
