// Scratch folders: one place chooses where they go, and none is left behind by a run that
// ended. Every scratch folder is named <prefix>-<pid>-XXXXXX, so a later run can tell which
// ones belong to a process that is gone and remove them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo::sys {

// The folder scratch folders go into: $TMPDIR when it names an absolute, existing folder this
// user can write into; else /dev/shm when memoryBacked is asked and usable; else /tmp. Never
// throws and never gives an empty or relative path.
std::filesystem::path scratchParent(bool memoryBacked = false) noexcept;

// A private folder (mode 0700) made under scratchParent(), removed with the object.
class ScratchFolder {
  public:
    explicit ScratchFolder(std::string_view prefix, bool memoryBacked = false) noexcept;
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // False when no folder could be made.
    bool valid() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Removes the scratch folders named <prefix>-<pid>-* in scratchParent(memoryBacked) whose
// process no longer runs and that belong to this user. Nothing else is touched.
void removeStaleScratchFolders(std::string_view prefix, bool memoryBacked = false) noexcept;

// Removes, as removeStaleScratchFolders does, the leftovers of every kind of scratch folder the
// program makes (the forms' working copies, the renderer's and the printer's folders, the page
// renderer's runtime folder, the station commands' folders), in both places they may be. The
// window and the command-line tool call it when they start, so that runs ended by SIGKILL or an
// abort leave nothing behind for long.
void removeStaleScratchFoldersOfEveryKind() noexcept;

// What to say when a write into a scratch folder found no room: the temporary folder, by name
// and by the setting that chose it, is on a full disk
// ("临时文件夹“/tmp/x”（TMPDIR）所在的磁盘已满， 请腾出空间或把 TMPDIR 指向别的文件夹"), not the
// user's own file or folder.
std::string scratchFullProblem(const std::filesystem::path& scratchFolder);

// A file:// URL for an absolute path, with every byte outside the unreserved set
// percent-encoded, as LibreOffice's -env:UserInstallation expects.
std::string fileUrl(const std::filesystem::path& absolutePath);

} // namespace tarnelo::sys
