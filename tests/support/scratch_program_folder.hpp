// A private program folder with an empty Data subfolder, removed with the object: the window's
// commands (open, save, the form) work in one. It lies in $TMPDIR when that is a usable folder,
// else in memory-backed /dev/shm when there is one, else in /tmp.
#pragma once

#include "platform/system/scratch.hpp"

#include <filesystem>
#include <system_error>

namespace tarnelo {

class ScratchProgramFolder {
  public:
    ScratchProgramFolder() : folder_("tarnelo", true) {
        std::error_code error;
        if (folder_.valid() && std::filesystem::create_directory(folder_.path() / "Data", error)) {
            path_ = folder_.path();
        }
    }
    ScratchProgramFolder(const ScratchProgramFolder&) = delete;
    ScratchProgramFolder& operator=(const ScratchProgramFolder&) = delete;

    // False when no folder could be made.
    bool valid() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    sys::ScratchFolder folder_;
    std::filesystem::path path_;
};

} // namespace tarnelo
