// The subcommands of tarnelo-cli. Each takes the arguments after its name and returns the
// process exit status: 0 done, 1 some measurement incomplete or refused, 2 usage error or a
// file that cannot be read.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarnelo::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitIncomplete = 1;
inline constexpr int kExitUsage = 2;

struct Subcommand {
    std::string_view name;
    // One line for the overview of --help.
    std::string_view summary;
    // The subcommand's own --help text.
    std::string_view help;
    int (*run)(std::span<const std::string> args);
};

// tarnelo-cli compute [--json] FILE...
extern const Subcommand kCompute;

// tarnelo-cli export FILE.dat [-o FORM.xlsx] [--pdf FORM.pdf]
extern const Subcommand kExport;

// tarnelo-cli print FILE.dat
extern const Subcommand kPrint;

} // namespace tarnelo::cli
