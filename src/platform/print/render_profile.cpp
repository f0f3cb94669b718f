#include "platform/print/render_profile.hpp"

#include "files/file_io.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

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

namespace {

struct ProfileItem {
    std::string path;
    std::string name;
    std::string value;

    std::string xml() const {
        return "<item oor:path=\"" + path + "\"><prop oor:name=\"" + name +
               "\" oor:op=\"fuse\"><value>" + value + "</value></prop></item>\n";
    }
};

// What every render's profile must say, whatever LibreOffice or a user wrote into it since.
std::vector<ProfileItem> securityItems() {
    return {
        // A form never needs a macro: none runs, whatever a workbook carries.
        {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
        {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
        // Nor is anything fetched for it: linked images and external links stay unread, and
        // links of a spreadsheet are never updated.
        {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
        {"/org.openoffice.Office.Calc/Content/Update", "Link", "1"},
    };
}

fs::path settingsFile(const fs::path& profile) {
    return profile / "user" / "registrymodifications.xcu";
}

// Removes a tree of this user's, making its folders accessible first: a folder whose
// permissions were taken away (chmod 000) cannot be emptied otherwise.
void removeOwnTree(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return;
    }
    if (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()) {
        ::chmod(path.c_str(), 0700);
        std::error_code error;
        std::vector<fs::path> inside;
        for (fs::directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            inside.push_back(it->path());
        }
        for (const fs::path& entry : inside) {
            removeOwnTree(entry);
        }
    }
    std::error_code error;
    fs::remove(path, error);
}

} // namespace

bool seedRendererProfile(const fs::path& profile, const RendererRelease& release) {
    std::error_code error;
    fs::create_directories(profile / "user", error);
    if (error) {
        return false;
    }
    std::vector<ProfileItem> items;
    // The version decides whether LibreOffice takes the profile for a first start.
    if (!release.version.empty()) {
        items.push_back({"/org.openoffice.Setup/Product", "ooSetupLastVersion", release.version});
    }
    if (!release.buildId.empty()) {
        items.push_back(
            {"/org.openoffice.Setup/Office", "LastCompatibilityCheckID", release.buildId});
    }
    std::string xml;
    for (const ProfileItem& item : items) {
        xml += item.xml();
    }
    for (const ProfileItem& item : securityItems()) {
        xml += item.xml();
    }
    const std::string xcu = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                            "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
                            xml + "</oor:items>\n";
    return writeFileAtomic(settingsFile(profile), xcu, AtLink::Replace).ok;
}

bool reapplyRendererSettings(const fs::path& profile) {
    // LibreOffice writes one item a line; a line that sets one of ours goes, and ours are put
    // back before the end.
    const auto bytes = readFileBytes(settingsFile(profile), 16 << 20);
    const std::size_t end = bytes ? bytes->rfind("</oor:items>") : std::string::npos;
    if (end == std::string::npos) {
        return false;
    }
    const std::vector<ProfileItem> ours = securityItems();
    std::string kept;
    std::istringstream lines(bytes->substr(0, end));
    for (std::string line; std::getline(lines, line);) {
        const bool overridden = std::any_of(ours.begin(), ours.end(), [&line](const auto& item) {
            return line.find("oor:path=\"" + item.path + "\"") != std::string::npos &&
                   line.find("oor:name=\"" + item.name + "\"") != std::string::npos;
        });
        if (!overridden) {
            kept += line + "\n";
        }
    }
    for (const ProfileItem& item : ours) {
        kept += item.xml();
    }
    kept += bytes->substr(end);
    return kept == *bytes || writeFileAtomic(settingsFile(profile), kept, AtLink::Replace).ok;
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
    // A profile LibreOffice could not use (its user folder or settings unreadable) would fail
    // every render once before a fresh one is tried; the settings are put back at each start.
    const bool current = privateFolder(path_, false) && privateFolder(path_ / "user", false) &&
                         ::access((path_ / "user").c_str(), R_OK | W_OK | X_OK) == 0 &&
                         readFileBytes(stamp, 4096).value_or("") == seedStamp(release_) &&
                         reapplyRendererSettings(path_);
    if (!current) {
        // Missing, made for another LibreOffice, damaged or not safe: seeded anew.
        removeOwnTree(path_);
        if (!makePrivateFolder(path_) || !seedRendererProfile(path_, release_) ||
            !writeFileAtomic(stamp, seedStamp(release_), AtLink::Replace)) {
            removeOwnTree(path_);
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
        removeOwnTree(path_);
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
