// Where the running window listens for second starts, per system: on Linux a socket in a folder
// only the user can enter; on Windows a named pipe (Qt's local socket there), whose name carries
// the user because pipe names are shared by everyone on the computer.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tarnelo {

struct InstancePlace {
    QString prefix;   // put before the server's name
    QByteArray owner; // hashed into the name together with the program folder
};

// None when no place safe from other users can be had.
std::optional<InstancePlace> instancePlace();

// Lets the running window come to the front when a second start knocks: Windows gives the
// foreground only to a program the one in front allows (the second start, just started by the
// user); elsewhere the window manager decides.
void allowRunningWindowToFront();

} // namespace tarnelo
