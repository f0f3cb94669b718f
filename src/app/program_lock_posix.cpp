#include "app/program_lock.hpp"

#include "window/program_paths.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarnelo {

ProgramFolderLock::~ProgramFolderLock() {
    ::close(static_cast<int>(fd_));
}

ProgramFolderLock::Result ProgramFolderLock::acquire(const std::filesystem::path& programFolder,
                                                     std::unique_ptr<ProgramFolderLock>& lock) {
    const std::filesystem::path data = paths::dataFolder(programFolder);
    const int fd = ::open(data.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Result::NoFolder;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        ::close(fd);
        return errno == EWOULDBLOCK ? Result::HeldByOther : Result::NoFolder;
    }
    lock.reset(new ProgramFolderLock(fd));
    return Result::Taken;
}

} // namespace tarnelo
