// The second window started on a program folder that is in use: it asks the running window to
// come to the front, tells the user, and ends without touching any file.
#pragma once

#include <QString>

#include <filesystem>

class QWidget;

namespace tarnelo {

// The name the running window listens on for a second start on the same program folder.
QString instanceServerName(const std::filesystem::path& programFolder);

// Listens for later starts on the same folder and raises window when one knocks.
void listenForSecondStarts(QWidget& window, const std::filesystem::path& programFolder);

// In the second start: raises the running window (where it can be reached) and shows the
// refusal, which closes itself after a while so that nothing waits for ever.
void refuseSecondStart(const std::filesystem::path& programFolder);

} // namespace tarnelo
