#include "platform/system/console.hpp"

#include <csignal>

#include <unistd.h>

namespace tarnelo::sys {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void useUtf8StandardStreams() {}

void attachParentConsole() {}

void ignoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace tarnelo::sys
