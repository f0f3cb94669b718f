// A program folder in trouble: used by another window, or with a Data folder this user cannot
// write. The window must say so and must not carry a stale record header into a new file.
#include "app/file_commands.hpp"
#include "app/program_lock.hpp"
#include "app/shell.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "sheet/sheet.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolderLock, OneOwnerAtATimeAndTheLockGoesWithItsOwner) {
    testing::ProgramFolder folder;
    std::unique_ptr<ProgramFolderLock> first;
    std::unique_ptr<ProgramFolderLock> second;
    ASSERT_EQ(ProgramFolderLock::acquire(folder.path(), first), ProgramFolderLock::Result::Taken);
    EXPECT_EQ(ProgramFolderLock::acquire(folder.path(), second),
              ProgramFolderLock::Result::HeldByOther);
    EXPECT_EQ(second, nullptr);
    first.reset();
    EXPECT_EQ(ProgramFolderLock::acquire(folder.path(), second), ProgramFolderLock::Result::Taken);

    // A process that dies holding the lock leaves none behind.
    second.reset();
    const pid_t child = ::fork();
    if (child == 0) {
        std::unique_ptr<ProgramFolderLock> held;
        ProgramFolderLock::acquire(folder.path(), held);
        ::_exit(held ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ProgramFolderLock::acquire(folder.path(), first), ProgramFolderLock::Result::Taken);

    testing::ProgramFolder noData;
    fs::remove(noData.path() / "Data");
    EXPECT_EQ(ProgramFolderLock::acquire(noData.path(), second),
              ProgramFolderLock::Result::NoFolder);
}

// Runs body in a child process as an unprivileged user (root ignores file modes); the body
// returns an empty text when every check held, else what failed.
std::string asUnprivilegedUser(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        const std::string failure = body();
        (void)!::write(pipeFds[1], failure.data(), failure.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string failure;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        failure.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? failure : "the child could not run";
}

TEST(ReadOnlyData, StartSaysSoAndSaveCarriesTheBlankHeaderNotAnOldFile) {
    testing::ProgramFolder folder;
    // A header file an older version left behind is not the measurement's header.
    const std::string oldHeader = "寸滩,2025,*,*,*,*,*,*,*,*,*,*,\r\n*,*,*,*,*,*,*,*,\r\n"
                                  "*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,\r\n*,*,*,";
    ASSERT_TRUE(writeFileAtomic(folder.snap(), oldHeader));
    ::chmod(folder.snap().c_str(), 0444);
    ::chmod((folder.path() / "Data").c_str(), 0555);
    ::chmod(folder.path().c_str(), 0755);
    ::chmod((folder.path() / "Text data").c_str(), 0777);

    const std::string failure = asUnprivilegedUser([&]() -> std::string {
        HeadlessWindow window(folder.path());
        creationStep(window);
        if (window.messages.size() != 1 ||
            window.messages[0].text.find((folder.path() / "Data").string()) == std::string::npos) {
            return "the start did not name the read-only Data folder once";
        }
        window.sheet().setCell(0, col::起点距, "0");
        window.answerFileDialog(ctl::通用对话框保存, folder.textData("x.dat"));
        const SaveOutcome saved = saveCommand(window);
        if (saved.status != SaveOutcome::Status::Saved || !saved.message.empty()) {
            return "the save did not go through without a word";
        }
        const std::string bytes = readFileBytes(folder.textData("x.dat")).value_or("");
        if (!bytes.ends_with(std::string("\r\n\r\n") + std::string(kDefaultRecordHeader))) {
            return "the saved file carries another header than the default";
        }
        return {};
    });
    ::chmod((folder.path() / "Data").c_str(), 0755);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(readFileBytes(folder.snap()), oldHeader);
}

TEST(MissingData, StartSaysSoOnceAndTouchesNothing) {
    testing::ProgramFolder folder;
    fs::remove_all(folder.path() / "Data");
    HeadlessWindow window(folder.path());
    creationStep(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("不存在"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.path() / "Data"));
}

} // namespace
} // namespace tarnelo
