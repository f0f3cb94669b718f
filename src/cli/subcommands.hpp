// The subcommands of tarnelo-cli. Each takes the arguments after its name and returns the
// process exit status: 0 done, 1 some measurement incomplete or refused, 2 usage error or a
// file that cannot be read, 3 computed but the input holds errors (错误).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarnelo::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitIncomplete = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFindings = 3;

// The status of several results: a usage error before an incomplete or refused measurement,
// that before errors in the input, that before done.
int worseExit(int a, int b);

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

// tarnelo-cli export FILE.dat [-o FORM.xlsx] [--pdf FORM.pdf] [--force]
extern const Subcommand kExport;

// tarnelo-cli print FILE.dat [--force]
extern const Subcommand kPrint;

// tarnelo-cli plot FILE.dat -o SECTION.svg|SECTION.png
extern const Subcommand kPlot;

// tarnelo-cli summary FILES|FOLDERS|--store STORE [--year Y] [-o TABLE.xlsx] [--csv T.csv] [--json]
extern const Subcommand kSummary;

// tarnelo-cli rating FILES|FOLDERS|--store STORE [-o CURVE.svg|.png] [--table RATING.xlsx] ...
extern const Subcommand kRating;

// tarnelo-cli store init|import|list|show|history|export|delete|station STORE ...
extern const Subcommand kStore;

} // namespace tarnelo::cli
