// Linux has no system automation objects: the spreadsheet programs there are reached through
// their own command lines.
#include "platform/automation/system_objects.hpp"

#include <string>

namespace tarnelo::automation {

bool systemObjectRegistered(std::string_view /*progId*/) {
    return false;
}

Outcome createSystemObject(std::string_view progId) {
    return Outcome::fail("本系统没有 COM 自动化，无法启动 " + std::string(progId));
}

SystemObjectThread::SystemObjectThread() = default;
SystemObjectThread::~SystemObjectThread() = default;

} // namespace tarnelo::automation
