// One raw data file opened and computed in a window without a screen, as the user would with
// 打开 and 计算: the command-line tool and the benchmarks run measurements through it.
#pragma once

#include "compute/checks.hpp"
#include "compute/uncertainty.hpp"
#include "platform/system/scratch.hpp"
#include "sheet/sheet.hpp"

#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tarnelo {

struct FileComputation {
    enum class Status {
        Computed,   // every result was written
        Incomplete, // the file or its input is incomplete; what is missing is in message
        Refused,    // the file or the computation was refused; the reason is in message
        Unreadable, // missing, unreadable or not a raw data file
    };
    Status status = Status::Unreadable;
    // "垂线模式" or "测速模式": the mode the window ended in.
    std::string mode;
    // The mode's coefficient fields, by control name, with their texts.
    std::vector<std::pair<std::string, std::string>> coefficients;
    // Every row of the sheet after the computation.
    std::vector<std::array<std::string, Sheet::kColumns>> sheet;
    // The seven section results and 致谢框, by control name.
    std::vector<std::pair<std::string, std::string>> results;
    // What was wrong, in the words the window showed; empty when computed.
    std::string message;
    // What the check pass found, as the window marks it.
    std::vector<Finding> findings;
    // The uncertainty of the section discharge by each method.
    SectionUncertainty uncertainty;
};

// A private program folder with an empty Data subfolder, removed with the object. It lies in
// $TMPDIR when that is a usable folder, else in memory-backed /dev/shm when there is one, else
// in /tmp: its files are thrown away, so they need not reach a disk.
class ScratchProgramFolder {
  public:
    ScratchProgramFolder();
    ScratchProgramFolder(const ScratchProgramFolder&) = delete;
    ScratchProgramFolder& operator=(const ScratchProgramFolder&) = delete;

    // False when no folder could be made.
    bool valid() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    sys::ScratchFolder folder_;
    std::filesystem::path path_;
};

// Opens file into a fresh window whose program folder is programFolder (its Data folder gets
// the record header), computes it and collects the outcome. Never throws for a bad file.
FileComputation computeRawDataFile(const std::filesystem::path& file,
                                   const std::filesystem::path& programFolder);

} // namespace tarnelo
