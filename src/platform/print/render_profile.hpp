// The LibreOffice profile a render runs with. A new profile makes LibreOffice run its first-start
// work (a graphics self-test among it), seconds of every print; a profile that names the
// installed version as already started skips it, and one that has been used before starts
// faster still. So each user keeps one seeded profile in the cache folder, used by one render
// at a time under a lock; a render that finds it taken gets a fresh seeded one of its own.
#pragma once

#include <filesystem>
#include <string>

namespace tarnelo {

// What the renderer program declares of itself: the product version from "ProductKey=LibreOffice
// 7.4" in program/bootstraprc and the build from versionrc, both beside the soffice that is
// found (symbolic links followed). Empty texts when they cannot be read.
struct RendererRelease {
    std::string version; // "7.4"
    std::string buildId; // "40(Build:2)"
};
RendererRelease rendererRelease(const std::filesystem::path& renderer);

// Writes user/registrymodifications.xcu into profile (made when missing): started before by
// this release, and macros never run. False when it cannot be written.
bool seedRendererProfile(const std::filesystem::path& profile, const RendererRelease& release);

// Puts the settings every render needs (macros off, nothing linked fetched) back into a
// profile LibreOffice has used, over whatever it or the user set since. False when the settings
// file cannot be read or written, or is no settings file.
bool reapplyRendererSettings(const std::filesystem::path& profile);

// The folder the kept profile and its lock live in: $XDG_CACHE_HOME/tarnelo, else
// ~/.cache/tarnelo. Empty when neither names an absolute folder.
std::filesystem::path rendererCacheFolder();

enum class RendererProfileUse {
    KeptWhenFree, // the kept profile when no other render holds it (the default)
    AlwaysFresh,  // a fresh seeded profile for every render
};
// Process-wide choice; benchmarks compare the two roads.
void setRendererProfileUse(RendererProfileUse use);

// One render's profile. Taking the kept one holds its lock until the object ends.
class RendererProfile {
  public:
    // scratch is the render's private folder: a fresh profile goes there.
    RendererProfile(const std::filesystem::path& renderer, const std::filesystem::path& scratch);
    ~RendererProfile();
    RendererProfile(const RendererProfile&) = delete;
    RendererProfile& operator=(const RendererProfile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    bool kept() const { return lockFd_ >= 0; }
    // The render failed with this profile: a kept profile is removed, so that the next render
    // seeds a new one, and this render continues with a fresh seeded profile in scratch.
    void discard();

  private:
    void takeFresh();

    std::filesystem::path scratch_;
    std::filesystem::path path_;
    RendererRelease release_;
    int lockFd_ = -1;
};

} // namespace tarnelo
