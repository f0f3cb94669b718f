#include "files/file_access.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {

bool mayWrite(const std::filesystem::path& fileOrFolder) {
    struct stat info {};
    if (::stat(fileOrFolder.c_str(), &info) != 0) {
        return false;
    }
    const int wanted = S_ISDIR(info.st_mode) ? W_OK | X_OK : W_OK;
    return ::access(fileOrFolder.c_str(), wanted) == 0;
}

} // namespace tarnelo
