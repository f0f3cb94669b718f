// Hosts by ProgID, and the instances of them that are running in this process. An application
// object that a factory made counts as running while something holds it and it reports itself
// alive; attaching to a ProgID hands out such an instance instead of starting another.
#pragma once

#include "platform/automation/dispatch.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace tarnelo::automation {

using HostFactory = std::function<Dispatch()>;

// The ProgID of the spreadsheet application.
inline constexpr std::string_view kSpreadsheetProgId = "Excel.Application";

// Registers (or replaces) the factory of a ProgID and returns the factory it replaced (empty
// when there was none). An empty factory removes the registration. ProgIDs compare without
// regard to case.
HostFactory registerHost(std::string_view progId, HostFactory factory);

// Starts a new instance of a ProgID (the outcome's object); an error when the ProgID is unknown
// or its factory fails.
Outcome createObject(std::string_view progId);

// A running instance of a ProgID (the outcome's object); an error when none is alive.
Outcome getActiveObject(std::string_view progId);

// For tests and for a host that wants its own instance to be found: enters an object into the
// running table of a ProgID.
void registerActiveObject(std::string_view progId, const Dispatch& instance);

// Puts a factory under a ProgID for the lifetime of the guard and restores the previous one.
class ScopedHostRegistration {
  public:
    ScopedHostRegistration(std::string_view progId, HostFactory factory);
    ~ScopedHostRegistration();
    ScopedHostRegistration(const ScopedHostRegistration&) = delete;
    ScopedHostRegistration& operator=(const ScopedHostRegistration&) = delete;

  private:
    std::string progId_;
    HostFactory previous_;
};

} // namespace tarnelo::automation
