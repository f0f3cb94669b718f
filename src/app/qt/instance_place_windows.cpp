#include "app/qt/instance_place.hpp"

#include <windows.h>

namespace tarnelo {

std::optional<InstancePlace> instancePlace() {
    wchar_t name[256 + 1];
    DWORD length = sizeof(name) / sizeof(name[0]);
    if (!::GetUserNameW(name, &length) || length == 0) {
        return std::nullopt;
    }
    // The pipe itself admits only this user (QLocalServer::UserAccessOption).
    return InstancePlace{
        {}, QString::fromWCharArray(name, static_cast<int>(length) - 1).toUtf8() + '\n'};
}

void allowRunningWindowToFront() {
    ::AllowSetForegroundWindow(ASFW_ANY);
}

} // namespace tarnelo
