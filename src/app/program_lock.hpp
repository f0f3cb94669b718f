// One window per program folder: the window holds an exclusive lock in its Data folder for as
// long as it runs. The lock is the operating system's (flock on Data/.tarnelo.lock, which only
// the user may open, or on a read-only Data folder itself; on Windows LockFileEx on
// Data\tarnelo.lock), so a crash never leaves a stale lock behind and another user cannot take
// it to keep the window from starting.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

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
        // The lock is another user's (a lock file of theirs, or they hold the folder's lock):
        // the window does not start on a folder it cannot own; holder names them.
        HeldByOtherUser,
    };

    // Tries to take the lock without waiting. holder, when given, is set to the other user's
    // name for HeldByOtherUser.
    static Result acquire(const std::filesystem::path& programFolder,
                          std::unique_ptr<ProgramFolderLock>& lock, std::string* holder = nullptr);

  private:
    // The locked descriptor (POSIX) or handle (Windows).
    using Native = std::intptr_t;
    explicit ProgramFolderLock(Native fd) : fd_(fd) {}
    Native fd_;
};

} // namespace tarnelo
