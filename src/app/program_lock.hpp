// One window per program folder: the window holds an exclusive lock on its Data folder for as
// long as it runs. The lock is the operating system's (flock on the folder itself; on Windows
// LockFileEx on Data\tarnelo.lock), so a crash never leaves a stale lock behind and a read-only
// Data folder can still be locked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace tarnelo {

class ProgramFolderLock {
  public:
    ~ProgramFolderLock();
    ProgramFolderLock(const ProgramFolderLock&) = delete;
    ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;

    enum class Result {
        Taken,       // this process owns the folder now
        HeldByOther, // another window runs on the same folder
        NoFolder,    // no Data folder to lock: the window starts and says so itself
    };

    // Tries to take the lock without waiting.
    static Result acquire(const std::filesystem::path& programFolder,
                          std::unique_ptr<ProgramFolderLock>& lock);

  private:
    // The locked descriptor (POSIX) or handle (Windows).
    using Native = std::intptr_t;
    explicit ProgramFolderLock(Native fd) : fd_(fd) {}
    Native fd_;
};

} // namespace tarnelo
