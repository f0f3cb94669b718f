// What every command checks before it starts its work: no output may replace one of the run's
// inputs, a read-only target is left alone unless --force is given, and every target can be
// written at all. A refusal is said on stderr before anything is read or written.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace tarnelo::cli {

// kExitDone when every output may be written; else the exit status after the message:
// kExitUsage for an output that is one of the inputs ("输出文件与输入文件相同"), kExitIncomplete
// for a read-only target without force ("目标文件只读") or one that cannot be written.
int checkOutputs(std::string_view command, std::span<const std::filesystem::path> inputs,
                 std::span<const std::filesystem::path> outputs, bool force);

} // namespace tarnelo::cli
