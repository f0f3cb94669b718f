// The command line and the standard streams of a terminal program.
#pragma once

#include <string>
#include <vector>

namespace tarnelo::sys {

// The program's arguments (without its name) as UTF-8 texts. On Windows they come from the
// UTF-16 command line, never through the console's narrow code page.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Standard output and error carry the program's bytes unchanged: UTF-8, lines ended by "\n".
// On Windows that means binary mode and a console that shows UTF-8.
void useUtf8StandardStreams();

// A reader that goes away (tarnelo-cli ... | head) makes writes fail instead of ending the
// process (POSIX: SIGPIPE is ignored; Windows has no such signal).
void ignoreBrokenPipes();

} // namespace tarnelo::sys
