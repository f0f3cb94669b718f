// The program folder's lock on Windows: LockFileEx on the lock file in the Data folder. The
// lock goes with the handle, so a crash never leaves a stale lock behind. Windows does not tell
// who holds a lock: a lock of another user's is said as another window (HeldByOther).
#include "app/program_lock.hpp"

#include "window/program_paths.hpp"

#include <windows.h>

namespace tarnelo {

ProgramFolderLock::~ProgramFolderLock() {
    ::CloseHandle(reinterpret_cast<HANDLE>(fd_));
}

ProgramFolderLock::Result ProgramFolderLock::acquire(const std::filesystem::path& programFolder,
                                                     std::unique_ptr<ProgramFolderLock>& lock,
                                                     std::string* /*holder*/) {
    const std::filesystem::path data = paths::dataFolder(programFolder);
    const DWORD attributes = ::GetFileAttributesW(data.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return Result::NoFolder;
    }
    const std::filesystem::path file = data / "tarnelo.lock";
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A read-only Data folder: a lock file that is already there can still be locked.
        handle = ::CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return Result::NoFolder;
    }
    OVERLAPPED whole{};
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &whole)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Result::HeldByOther
                                                                          : Result::NoFolder;
    }
    lock.reset(new ProgramFolderLock(reinterpret_cast<Native>(handle)));
    return Result::Taken;
}

} // namespace tarnelo
