// tarnelo-cli: the program's measurements from a terminal. Subcommands are listed in
// kSubcommands; each lives in its own file and declares itself in subcommands.hpp.
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/console.hpp"
#include "platform/system/scratch.hpp"

#include <array>
#include <iostream>
#include <string>
#include <vector>

namespace {

using tarnelo::cli::Subcommand;

const std::array<const Subcommand*, 7> kSubcommands{
    &tarnelo::cli::kCompute, &tarnelo::cli::kExport, &tarnelo::cli::kPrint, &tarnelo::cli::kPlot,
    &tarnelo::cli::kSummary, &tarnelo::cli::kRating, &tarnelo::cli::kStore};

void printOverview(std::ostream& out) {
    out << "用法 Usage: tarnelo-cli <子命令 subcommand> [选项 options] FILE...\n\n"
           "流速仪法断面流量计算（Tarnelo 13.05）的命令行工具。\n"
           "Command-line tool of Tarnelo 13.05 (current-meter discharge computation).\n\n"
           "子命令 Subcommands:\n";
    for (const Subcommand* sub : kSubcommands) {
        out << "  " << sub->name << "  " << sub->summary << "\n";
    }
    out << "\n各子命令的说明 For a subcommand's options: tarnelo-cli <subcommand> --help\n"
           "退出状态 Exit status: 0 全部完成 all done; 1 有资料不全或被拒绝 some incomplete or "
           "refused; 2 用法错误或文件无法读取 usage error or unreadable file; 3 输入中有错误"
           "（export、print 未加 --force 时不输出记载表） the input holds errors (export and "
           "print write no form without --force).\n";
}

} // namespace

namespace tarnelo::cli {

int worseExit(int a, int b) {
    const auto rank = [](int status) {
        switch (status) {
        case kExitDone:
            return 0;
        case kExitFindings:
            return 1;
        case kExitIncomplete:
            return 2;
        default:
            return 3;
        }
    };
    return rank(a) >= rank(b) ? a : b;
}

} // namespace tarnelo::cli

int main(int argc, char** argv) {
    // Ctrl-C, a closed terminal or a kill end every command cleanly: the renderer's whole tree
    // is ended and the scratch folders are removed on the way out.
    tarnelo::sys::installInterruptHandlers();
    tarnelo::sys::removeStaleScratchFoldersOfEveryKind();
    tarnelo::sys::useUtf8StandardStreams();
    std::vector<std::string> args = tarnelo::sys::commandLineArguments(argc, argv);
    if (args.empty()) {
        printOverview(std::cerr);
        return tarnelo::cli::kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printOverview(std::cout);
        return tarnelo::cli::kExitDone;
    }
    for (const Subcommand* sub : kSubcommands) {
        if (args[0] == sub->name) {
            const std::span<const std::string> rest(args.data() + 1, args.size() - 1);
            for (const auto& arg : rest) {
                if (arg == "--") {
                    break;
                }
                if (arg == "--help" || arg == "-h") {
                    std::cout << sub->help;
                    return tarnelo::cli::kExitDone;
                }
            }
            const int status = sub->run(rest);
            // Interrupted: the command has unwound and removed its scratch folders.
            return tarnelo::sys::interruptSignal() != 0 ? 128 + tarnelo::sys::interruptSignal()
                                                        : status;
        }
    }
    std::cerr << "tarnelo-cli: 未知的子命令 unknown subcommand: "
              << tarnelo::cli::terminalSafe(args[0]) << "\n\n";
    printOverview(std::cerr);
    return tarnelo::cli::kExitUsage;
}
