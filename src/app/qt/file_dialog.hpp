// The window's open and save dialogs on screen: Qt's own dialog (in Chinese once Qt's
// translations are loaded), in the detail view and wide enough for its columns.
#pragma once

#include "window/window.hpp"

#include <filesystem>
#include <optional>

class QFileDialog;
class QWidget;

namespace tarnelo {

// Shows the dialog modally, starting in initialFolder with `name` proposed (none when empty);
// the chosen path, or std::nullopt when the user cancelled.
std::optional<std::filesystem::path> showFileDialog(QWidget* parent, const FileDialogSpec& dialog,
                                                    const std::filesystem::path& initialFolder,
                                                    const std::filesystem::path& name);

// Whether a folder is a place to save into: it may be written and it is not, nor lies in, the
// bundled examples or another folder of examples, which a new installation replaces.
bool savingFolder(const std::filesystem::path& folder);

// Takes the bundled examples out of a dialog's sidebar: Qt keeps the places of every dialog
// together, so an open dialog's 示例 would show up, in English, in the save and folder dialogs.
void withoutExamples(QFileDialog& box);

} // namespace tarnelo
