// What each system's single-instance server name must be, checked per system.
#pragma once

#include <QString>

namespace tarnelo {

// Fails the running test when another user could reach the server of this name, then leaves
// behind what a window that was ended leaves there.
void checkPrivateAndLeaveStale(const QString& name);

} // namespace tarnelo
