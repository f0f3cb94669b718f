#include "platform/print/render_profile.hpp"

#include "files/file_io.hpp"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {

namespace fs = std::filesystem;

namespace {

std::atomic<RendererProfileUse> profileUse{RendererProfileUse::KeptWhenFree};

// The value of "key=" in a small ini-style file, without trailing blanks.
std::string settingOf(const fs::path& file, std::string_view key) {
    const auto bytes = readFileBytes(file, 1 << 20);
    if (!bytes) {
        return {};
    }
    std::istringstream lines(*bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
            line[key.size()] == '=') {
            std::string value = line.substr(key.size() + 1);
            while (!value.empty() &&
                   (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) {
                value.pop_back();
            }
            return value;
        }
    }
    return {};
}

// Only texts that need no escaping in XML and are not absurdly long go into the profile.
bool plainValue(const std::string& text) {
    return !text.empty() && text.size() < 100 &&
           text.find_first_of("<>&\"'\n") == std::string::npos;
}

// A folder this user alone can change: owned by the user (or root, for a parent) and not
// writable by group or others, and not a symbolic link.
bool privateFolder(const fs::path& folder, bool rootMayOwn) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    const bool owner = info.st_uid == ::geteuid() || (rootMayOwn && info.st_uid == 0);
    return owner && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool makePrivateFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return privateFolder(folder, false);
}

std::string seedStamp(const RendererRelease& release) {
    return release.version + "\n" + release.buildId + "\n";
}

} // namespace

RendererRelease rendererRelease(const fs::path& renderer) {
    std::error_code error;
    const fs::path program = fs::canonical(renderer, error).parent_path();
    if (error) {
        return {};
    }
    RendererRelease release;
    // "LibreOffice 7.4": the version is the product key's last word.
    const std::string productKey = settingOf(program / "bootstraprc", "ProductKey");
    if (const auto space = productKey.rfind(' '); space != std::string::npos) {
        release.version = productKey.substr(space + 1);
    }
    release.buildId = settingOf(program / "versionrc", "buildid");
    if (!plainValue(release.version)) {
        release.version.clear();
    }
    if (!plainValue(release.buildId)) {
        release.buildId.clear();
    }
    return release;
}

bool seedRendererProfile(const fs::path& profile, const RendererRelease& release) {
    std::error_code error;
    fs::create_directories(profile / "user", error);
    if (error) {
        return false;
    }
    std::string items;
    const auto item = [&items](const char* path, const char* name, const std::string& value) {
        items += std::string("<item oor:path=\"") + path + "\"><prop oor:name=\"" + name +
                 "\" oor:op=\"fuse\"><value>" + value + "</value></prop></item>\n";
    };
    // The version decides whether LibreOffice takes the profile for a first start.
    if (!release.version.empty()) {
        item("/org.openoffice.Setup/Product", "ooSetupLastVersion", release.version);
    }
    if (!release.buildId.empty()) {
        item("/org.openoffice.Setup/Office", "LastCompatibilityCheckID", release.buildId);
    }
    // A form never needs a macro: none runs, whatever a workbook carries.
    item("/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3");
    item("/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true");
    // Nor is anything fetched for it: linked images and external links stay unread, and links
    // of a spreadsheet are never updated.
    item("/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true");
    item("/org.openoffice.Office.Calc/Content/Update", "Link", "1");
    const std::string xcu = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                            "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
                            items + "</oor:items>\n";
    return writeFileAtomic(profile / "user" / "registrymodifications.xcu", xcu, AtLink::Replace);
}

fs::path rendererCacheFolder() {
    fs::path base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        base = fs::path(home) / ".cache";
    } else {
        return {};
    }
    return base / "tarnelo";
}

void setRendererProfileUse(RendererProfileUse use) {
    profileUse = use;
}

RendererProfile::RendererProfile(const fs::path& renderer, const fs::path& scratch)
    : scratch_(scratch), release_(rendererRelease(renderer)) {
    const fs::path cache = rendererCacheFolder();
    if (profileUse == RendererProfileUse::AlwaysFresh || cache.empty()) {
        takeFresh();
        return;
    }
    // ~/.cache may be missing; it and its tarnelo folder must be this user's alone.
    if (::mkdir(cache.parent_path().c_str(), 0700) != 0 && errno != EEXIST) {
        takeFresh();
        return;
    }
    if (!privateFolder(cache.parent_path(), true) || !makePrivateFolder(cache)) {
        takeFresh();
        return;
    }
    const fs::path lock = cache / "renderer-profile.lock";
    lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        // Another render holds the kept profile.
        ::close(lockFd_);
        lockFd_ = -1;
    }
    if (lockFd_ < 0) {
        takeFresh();
        return;
    }
    path_ = cache / "renderer-profile";
    std::error_code error;
    const fs::path stamp = path_ / "tarnelo-seed";
    const bool current = privateFolder(path_, false) &&
                         readFileBytes(stamp, 4096).value_or("") == seedStamp(release_);
    if (!current) {
        // Missing, made for another LibreOffice, or not safe: seeded anew.
        fs::remove_all(path_, error);
        if (!makePrivateFolder(path_) || !seedRendererProfile(path_, release_) ||
            !writeFileAtomic(stamp, seedStamp(release_), AtLink::Replace)) {
            fs::remove_all(path_, error);
            discard();
            return;
        }
    }
    // A renderer that was ended leaves its own lock behind; no other render uses this profile.
    fs::remove(path_ / ".lock", error);
}

RendererProfile::~RendererProfile() {
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

void RendererProfile::discard() {
    if (lockFd_ >= 0) {
        std::error_code error;
        fs::remove_all(path_, error);
        ::close(lockFd_);
        lockFd_ = -1;
    }
    takeFresh();
}

void RendererProfile::takeFresh() {
    path_ = scratch_ / "profile";
    std::error_code error;
    fs::remove_all(path_, error);
    seedRendererProfile(path_, release_);
}

} // namespace tarnelo
