// The command line and the standard streams of a terminal program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::sys {

// The program's arguments (without its name) as UTF-8 texts. On Windows they come from the
// UTF-16 command line, never through the console's narrow code page.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Standard output and error (std::cout, std::cerr) carry the program's UTF-8 texts, lines ended
// by "\n". To a file or a pipe they go as these bytes (on Windows in binary mode); a Windows
// console is given each line whole as UTF-16, whatever its code page, which stays as it was.
void useUtf8StandardStreams();

// A window program started from a console answers --help and --version there: where its
// standard output goes nowhere, it takes the console of the program that started it (Windows;
// elsewhere the streams are already the terminal's).
void attachParentConsole();

// The length of the longest start of text that ends on a whole UTF-8 character: a character
// cut off at the end stays for the next write.
std::size_t wholeUtf8Length(std::string_view text);

// A reader that goes away (tarnelo-cli ... | head) makes writes fail instead of ending the
// process (POSIX: SIGPIPE is ignored; Windows has no such signal).
void ignoreBrokenPipes();

// Whether standard error is a terminal (a console on Windows): progress shown by rewriting one
// line goes there alone, never into a file or a pipe.
bool standardErrorIsTerminal();

} // namespace tarnelo::sys
