// Whole-file reads and the atomic writer on Windows. Paths reach the API as UTF-16
// (std::filesystem::path holds them so there); texts in messages are UTF-8.
//
// What the POSIX writer guards against and Windows does differently:
// - Permissions: a replaced file keeps its attributes and security descriptor, because
//   ReplaceFileW carries them over to the new content; a new file gets the folder's inherited
//   permissions, as any program's new file does (there is no umask).
// - Trusted folders: there are no owner and group-write bits to judge; a folder's access
//   control list decides who may write it, and the user's own folders (the portable folder,
//   %LOCALAPPDATA%) are not writable by others unless someone made them so. No folder is refused.
// - Links: symbolic links need a privilege to make on Windows and there are no sticky shared
//   folders, so a link at the target is followed (WriteThrough) or replaced (Replace) without
//   the owner check of the POSIX writer.
#include "files/file_io.hpp"

#include "files/file_access.hpp"
#include "files/file_io_impl.hpp"

#include <string>

#include <windows.h>

namespace tarnelo {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close() {
        if (!valid()) {
            return true;
        }
        const BOOL closed = ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != 0;
    }

  private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk =
            bytes.size() > (DWORD(1) << 30) ? (DWORD(1) << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Another program holds the file open without letting it be replaced (a workbook open in
// Excel or WPS): asking for the right to delete it is refused as a sharing violation.
bool heldByAnotherProgram(const std::filesystem::path& file) {
    const HANDLE held =
        ::CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }
    ::CloseHandle(held);
    return false;
}

std::string inUse(const std::filesystem::path& file) {
    return "文件正被其他程序使用：" + utf8(file) + "。请在那个程序中关闭它后再试。";
}

} // namespace

namespace detail {

// No sticky shared folders here: every link is followed.
bool mayFollowLink(const std::filesystem::path& /*link*/) {
    return true;
}

} // namespace detail

using detail::quoted;
using detail::refuse;

std::optional<std::string> readFileBytes(const std::filesystem::path& file, std::size_t maxBytes) {
    Handle in(::CreateFileW(file.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Only a file on disk is read: not a pipe, a console or a device.
    if (!in.valid() || ::GetFileType(in.get()) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(in.get(), &size) || size.QuadPart < 0) {
        return std::nullopt;
    }
    std::string bytes;
    if (static_cast<unsigned long long>(size.QuadPart) <= maxBytes) {
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + got > maxBytes) {
            return std::nullopt;
        }
        bytes.append(buffer, got);
    }
    return bytes;
}

void removeStaleTemporaries(const std::filesystem::path& folder) {
    std::error_code ec;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        WIN32_FILE_ATTRIBUTE_DATA info{};
        if (!detail::isWriterTemporary(utf8(entry.path().filename())) ||
            !::GetFileAttributesExW(entry.path().c_str(), GetFileExInfoStandard, &info) ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0 ||
            ticks(now) <
                ticks(info.ftLastWriteTime) +
                    static_cast<unsigned long long>(detail::kStaleTemporarySeconds) * 10000000ULL) {
            continue;
        }
        // A write in progress holds its temporary open without sharing, whichever process holds
        // it: the file opens here only once nobody does, and goes when it is closed.
        Handle stale(::CreateFileW(entry.path().c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
    }
}

WriteResult writeFileAtomic(const std::filesystem::path& target, std::string_view bytes,
                            AtLink atLink) {
    const auto place = detail::followLinks(target, atLink);
    if (!place.problem.empty()) {
        return refuse(place.problem);
    }
    const std::filesystem::path& file = place.file;
    const std::filesystem::path& folder = place.folder;
    removeStaleTemporaries(folder);

    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    if (replacing && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return refuse(quoted(file) + "不是普通文件");
    }
    if (replacing && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return refuse(quoted(file) + "是只读文件");
    }
    if (replacing && heldByAnotherProgram(file)) {
        return refuse(inUse(file));
    }
    std::filesystem::path temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        std::u8string name = u8"." + file.filename().u8string();
        const std::string suffix = detail::temporarySuffix(::GetCurrentProcessId());
        name.append(suffix.begin(), suffix.end());
        temporary = folder / std::filesystem::path(name);
        created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = created == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
        if (created == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS &&
            error != ERROR_ALREADY_EXISTS) {
            return refuse(std::string("文件夹") + quoted(folder) +
                          (error == ERROR_PATH_NOT_FOUND ? "不存在" : "不可写入"));
        }
    }
    Handle out(created);
    if (!out.valid()) {
        return refuse(std::string("无法在文件夹") + quoted(folder) + "中建立临时文件");
    }
    const bool flush = detail::writesFlushedToDisk();
    const bool written = writeAll(out.get(), bytes) && (!flush || ::FlushFileBuffers(out.get()));
    const DWORD writeError = written ? ERROR_SUCCESS : ::GetLastError();
    bool moved = false;
    if (out.close() && written) {
        // ReplaceFileW keeps the replaced file's attributes and permissions; where it cannot
        // (another file system, a target that vanished meanwhile) a plain replacing move does.
        moved =
            (replacing && ::ReplaceFileW(file.c_str(), temporary.c_str(), nullptr,
                                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) ||
            ::MoveFileExW(temporary.c_str(), file.c_str(),
                          MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : DWORD(0)));
    }
    if (!moved) {
        ::DeleteFileW(temporary.c_str());
        if (replacing && heldByAnotherProgram(file)) {
            return refuse(inUse(file)); // opened by another program while this one wrote
        }
        if (writeError == ERROR_DISK_FULL || writeError == ERROR_HANDLE_DISK_FULL) {
            return detail::refuseForSpace(quoted(file) + "写入失败：磁盘已满，原文件未改动");
        }
        return refuse(quoted(file) + "写入失败（磁盘已满或不可写入）");
    }
    return {};
}

WriteResult checkFileWritable(const std::filesystem::path& target, AtLink atLink) {
    std::filesystem::path file = target;
    std::error_code ec;
    if (atLink == AtLink::WriteThrough && std::filesystem::is_symlink(file, ec)) {
        file = std::filesystem::weakly_canonical(file, ec);
    }
    if (file.filename().empty()) {
        return refuse(quoted(target) + "不是文件名");
    }
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return refuse(quoted(file) + "不是普通文件");
        }
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return refuse(quoted(file) + "是只读文件");
        }
        if (heldByAnotherProgram(file)) {
            return refuse(inUse(file));
        }
    }
    if (!std::filesystem::is_directory(folder, ec)) {
        return refuse(std::string("文件夹") + quoted(folder) + "不存在");
    }
    if (!mayWrite(folder)) {
        return refuse(std::string("文件夹") + quoted(folder) + "不可写入");
    }
    return {};
}

std::optional<std::string> untrustedFolderProblem(const std::filesystem::path& /*folder*/) {
    return std::nullopt;
}

} // namespace tarnelo
