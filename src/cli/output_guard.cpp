#include "cli/output_guard.hpp"

#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "files/file_access.hpp"
#include "files/file_io.hpp"
#include "platform/system/child_process.hpp"
#include "window/program_paths.hpp"

#include <iostream>

namespace tarnelo::cli {

int checkOutputs(std::string_view command, std::span<const std::filesystem::path> inputs,
                 std::span<const std::filesystem::path> outputs, bool force) {
    const auto refuse = [&](const std::string& why, int status) {
        std::cerr << "tarnelo-cli " << command << ": " << terminalSafe(why) << "\n";
        return status;
    };
    for (const auto& output : outputs) {
        const std::string name = escapedName(output);
        // A target not there yet can only be an input that is not there either (named twice);
        // one that is there is compared by its identity, links followed.
        std::error_code error;
        const bool exists = std::filesystem::exists(output, error);
        for (const auto& input : inputs) {
            if ((exists || !std::filesystem::exists(input, error)) && sameFile(output, input)) {
                return refuse("输出文件与输入文件相同：" + name + "（输入 " + escapedName(input) +
                                  "），不能覆盖输入 the output is an input of this run",
                              kExitUsage);
            }
        }
        for (const auto& other : outputs) {
            if (&other != &output && sameFile(output, other)) {
                return refuse("两个输出是同一个文件：" + name + " two outputs name one file",
                              kExitUsage);
            }
        }
        if (!force && markedReadOnly(output)) {
            return refuse("目标文件只读：" + name +
                              "，未改动；确认要替换可加 --force the target is read-only",
                          kExitIncomplete);
        }
        if (const WriteResult writable = checkFileWritable(output); !writable) {
            return refuse("无法写入 cannot write：" + writable.problem, kExitIncomplete);
        }
    }
    return kExitDone;
}

void StagedOutputs::add(std::filesystem::path target, std::string bytes) {
    outputs_.push_back({std::move(target), std::move(bytes)});
}

bool StagedOutputs::addFile(std::filesystem::path target, const std::filesystem::path& made) {
    std::optional<std::string> bytes = readFileBytes(made);
    if (!bytes) {
        std::cerr << "tarnelo-cli " << command_ << ": 无法读回临时文件 cannot read back "
                  << escapedName(made) << "\n";
        return false;
    }
    add(std::move(target), std::move(*bytes));
    return true;
}

int StagedOutputs::putInPlace(int status) {
    std::vector<std::filesystem::path> made;
    const auto interrupted = [&made] {
        if (sys::interruptSignal() == 0) {
            return false;
        }
        for (const auto& file : made) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
        return true;
    };
    for (Output& output : outputs_) {
        if (interrupted()) {
            return kExitIncomplete;
        }
        std::error_code error;
        const bool existed =
            std::filesystem::exists(std::filesystem::symlink_status(output.target, error));
        if (const WriteResult written = writeFileAtomic(output.target, output.bytes); !written) {
            std::cerr << "tarnelo-cli " << command_ << ": 无法写入 cannot write "
                      << escapedName(output.target) << "：" << terminalSafe(written.problem)
                      << "\n";
            status = kExitIncomplete;
        } else if (!existed) {
            made.push_back(output.target);
        }
        std::string().swap(output.bytes);
    }
    return interrupted() ? kExitIncomplete : status;
}

} // namespace tarnelo::cli
