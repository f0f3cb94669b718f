// Scratch folders and the renderer's child process: where scratch folders go whatever TMPDIR
// holds, how their names reach LibreOffice, and that a child tree never outlives its wait.
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarnelo::sys {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object.
class EnvironmentValue {
  public:
    EnvironmentValue(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name); old != nullptr) {
            old_ = old;
        }
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~EnvironmentValue() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Processes whose command line holds marker.
int processesWith(const std::string& marker) {
    int count = 0;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = ::readdir(proc)) {
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (line.find(marker) != std::string::npos) {
            ++count;
        }
    }
    ::closedir(proc);
    return count;
}

TEST(ScratchFolders, TmpdirIsUsedOnlyWhenItIsAnAbsoluteWritableFolder) {
    const ScratchFolder base("tarnelo-test");
    ASSERT_TRUE(base.valid());
    for (const std::string name : {"a b", "#x", "pc%41", "测流 数据"}) {
        const fs::path odd = base.path() / name;
        fs::create_directory(odd);
        const EnvironmentValue tmpdir("TMPDIR", odd.string());
        EXPECT_EQ(scratchParent(), odd);
        const ScratchFolder inside("tarnelo-test");
        EXPECT_TRUE(inside.valid());
        EXPECT_EQ(inside.path().parent_path(), odd);
    }
    for (const std::string bad : {"", "relative/folder", "/no/such/folder"}) {
        const EnvironmentValue tmpdir("TMPDIR", bad);
        const fs::path parent = scratchParent(true);
        EXPECT_TRUE(parent.is_absolute()) << bad;
        EXPECT_TRUE(fs::is_directory(parent)) << bad;
        EXPECT_TRUE(ScratchFolder("tarnelo-test").valid()) << bad;
    }
}

TEST(ScratchFolders, FileUrlsPercentEncodeEverythingButPlainCharacters) {
    EXPECT_EQ(fileUrl("/tmp/a b/#/pc%41/测"), "file:///tmp/a%20b/%23/pc%2541/%E6%B5%8B");
    EXPECT_EQ(fileUrl("/tmp/x-y_z.~1"), "file:///tmp/x-y_z.~1");
}

TEST(ScratchFolders, OnlyFoldersOfProcessesThatAreGoneAreRemoved) {
    const ScratchFolder base("tarnelo-test");
    const EnvironmentValue tmpdir("TMPDIR", base.path().string());
    // A process id that cannot be running: above the kernel's largest.
    const fs::path gone = base.path() / "tarnelo-4194305-abcdef";
    const fs::path mine = base.path() / ("tarnelo-" + std::to_string(::getpid()) + "-abcdef");
    const fs::path other = base.path() / "tarnelo-report-4194305-abcdef";
    const fs::path file = base.path() / "tarnelo-4194306-file";
    // The window's socket folder of the shared kind, tarnelo-<uid>-<n>: no process's.
    const fs::path socket = base.path() / "tarnelo-4194305-1";
    for (const auto& folder : {gone, mine, other, socket}) {
        fs::create_directory(folder);
    }
    std::ofstream(file) << "x";
    removeStaleScratchFolders("tarnelo");
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(fs::exists(socket));
}

TEST(ChildProcess, ATreeThatOutlivesItsTimeIsEndedWholeEvenWhereItLeftItsSession) {
    const std::string marker = "7.3141" + std::to_string(::getpid());
    // One sleeper in the child's session, one that starts a session of its own, one that is
    // orphaned by a shell that exits at once.
    const std::string script =
        "sleep " + marker + " & setsid sleep " + marker + " & (sleep " + marker + " &) ; wait";
    const auto started = std::chrono::steady_clock::now();
    const ChildResult result =
        runChild({"/bin/sh", "-c", script}, {"PATH=/usr/bin:/bin"}, std::chrono::milliseconds(500));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.status, ChildResult::Status::TimedOut);
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_EQ(processesWith(marker), 0);
}

TEST(ChildProcess, ExitStatusEnvironmentAndCancelledWaits) {
    const ChildResult ran = runChild({"/bin/sh", "-c", "test \"$ONLY\" = yes && test -z \"$HOME\""},
                                     {"ONLY=yes"}, std::chrono::seconds(10));
    EXPECT_EQ(ran.status, ChildResult::Status::Exited);
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(runChild({"/bin/sh", "-c", "exit 3"}, {}, std::chrono::seconds(10)).exitCode, 3);
    EXPECT_EQ(runChild({"/no/such/program"}, {}, std::chrono::seconds(10)).exitCode, 127);

    // The wait asks the caller's keepWaiting, naming its subject, and only that one.
    int calls = 0;
    std::string asked;
    const Waiting waiting{[&](const std::string& subject) {
                              asked = subject;
                              return ++calls < 3;
                          },
                          "LibreOffice 打印记载表"};
    const ChildResult cancelled =
        runChild({"/bin/sleep", "30"}, {}, std::chrono::seconds(30), {}, waiting);
    EXPECT_EQ(cancelled.status, ChildResult::Status::Interrupted);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(asked, "LibreOffice 打印记载表");
    EXPECT_EQ(runChild({"/bin/sh", "-c", "exit 4"}, {}, std::chrono::seconds(10)).exitCode, 4);
    EXPECT_EQ(calls, 3);
}

// Children of this process that have ended and wait to be reaped.
int defunctChildren() {
    int count = 0;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close != std::string::npos && close + 4 < line.size() && line[close + 2] == 'Z' &&
            std::strtol(line.c_str() + close + 4, nullptr, 10) == ::getpid()) {
            ++count;
        }
    }
    ::closedir(proc);
    return count;
}

// After a run, this process is no longer the subreaper: a program started later that leaves an
// orphan (xdg-open through a detached start) does not leave it here, defunct, for nobody to
// reap. What the run's own tree handed over is reaped before runChild returns.
TEST(ChildProcess, NothingIsLeftDefunctAfterARun) {
    const ChildResult ran = runChild({"/bin/sh", "-c", "(sleep 0.2 &) ; setsid sleep 0.2 &"},
                                     {"PATH=/usr/bin:/bin"}, std::chrono::seconds(10));
    EXPECT_EQ(ran.status, ChildResult::Status::Exited);
    int subreaper = -1;
    ASSERT_EQ(::prctl(PR_GET_CHILD_SUBREAPER, &subreaper), 0);
    EXPECT_EQ(subreaper, 0);
    EXPECT_EQ(defunctChildren(), 0);

    // A detached start, as QProcess::startDetached makes it: the middle process ends at once,
    // its child lives on briefly as an orphan.
    const pid_t middle = ::fork();
    if (middle == 0) {
        if (::fork() == 0) {
            ::usleep(100000);
            ::_exit(0);
        }
        ::_exit(0);
    }
    ::waitpid(middle, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(defunctChildren(), 0);
}

} // namespace
} // namespace tarnelo::sys
