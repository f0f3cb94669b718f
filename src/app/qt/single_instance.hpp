// One window per program folder. The running window listens on a local socket; a second start on
// the same folder knocks there, hands over the file it was started with (a double-click in the
// file manager), and ends without touching any file.
#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace tarnelo {

// The socket the running window listens on for a second start on the same program folder: in
// $XDG_RUNTIME_DIR when it is this user's private folder, else in a private folder made under
// an unguessable name in the temporary folder and named by the file instance-folder in the
// user's data folder (or, without a data folder of the user's own, the first private one of
// tarnelo-<uid>, tarnelo-<uid>-1 ... -9). Empty when no private place can be had.
QString instanceServerName(const std::filesystem::path& programFolder);

// Listens for later starts on the same folder. Every knock raises window; a knock that hands
// over a file then calls open with its absolute path. A socket left behind by a window that
// ended without removing it is removed first (this process holds the folder's lock).
void listenForSecondStarts(QWidget& window, const std::filesystem::path& programFolder,
                           std::function<void(const std::filesystem::path&)> open);

// In the second start: raises the running window and hands over file (when given). True when
// the running window took it; false when it could not be reached.
bool knockOnRunningWindow(const std::filesystem::path& programFolder,
                          const std::optional<std::filesystem::path>& file);

// In a second start without a file (or one whose file could not be handed over): tells the user
// that a window already runs; the message closes itself after a while so that nothing waits for
// ever.
void refuseSecondStart(const std::filesystem::path& programFolder);

} // namespace tarnelo
