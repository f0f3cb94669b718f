// What every command checks before it starts its work: no output may replace one of the run's
// inputs, a read-only target is left alone unless --force is given, and every target can be
// written at all. A refusal is said on stderr before anything is read or written.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::cli {

// kExitDone when every output may be written; else the exit status after the message:
// kExitUsage for an output that is one of the inputs ("输出文件与输入文件相同"), kExitIncomplete
// for a read-only target without force ("目标文件只读") or one that cannot be written.
int checkOutputs(std::string_view command, std::span<const std::filesystem::path> inputs,
                 std::span<const std::filesystem::path> outputs, bool force);

// The outputs of one run, held as bytes and put in place together once its work is done, so
// that an interruption (Ctrl-C, a closed terminal, kill) during the work leaves every target as
// it was: an interrupted run writes nothing.
class StagedOutputs {
  public:
    explicit StagedOutputs(std::string_view command) : command_(command) {}
    void add(std::filesystem::path target, std::string bytes);
    // A file made in a scratch folder, taken as bytes; false (after a message) when it cannot be
    // read back.
    bool addFile(std::filesystem::path target, const std::filesystem::path& made);
    // Writes each through the atomic writer and gives the run's status: kExitIncomplete (after a
    // message) when one could not be written. An interruption before or between them ends the
    // placing, and the targets this run had made anew are removed again.
    int putInPlace(int status);

  private:
    struct Output {
        std::filesystem::path target;
        std::string bytes;
    };
    std::string command_;
    std::vector<Output> outputs_;
};

} // namespace tarnelo::cli
