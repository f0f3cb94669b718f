// What differs between the systems for the second-start tests: the program's file name, and
// what the single-instance server name must be.
#pragma once

#include <QString>

namespace tarnelo {

// Fails the running test when another user could reach the server of this name, then leaves
// behind what a window that was ended leaves there.
void checkPrivateAndLeaveStale(const QString& name);

// The window program's file name ("tarnelo", "tarnelo.exe").
const char* programFileName();

} // namespace tarnelo
