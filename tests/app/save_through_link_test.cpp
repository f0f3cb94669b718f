// Every file the program writes goes through one writer: a symbolic link at the target is kept
// and written through, the replaced file keeps its permissions, and a new file gets what the
// umask allows.
#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/window_form.hpp"
#include "app/window_sheet.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "report/record_form.hpp"
#include "sheet/sheet.hpp"
#include "support/form_folder.hpp"
#include "support/headless_window.hpp"
#include "support/worked_example.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

// Sets the process umask for the life of the object.
class Umask {
  public:
    explicit Umask(mode_t mask) : old_(::umask(mask)) {}
    ~Umask() { ::umask(old_); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

  private:
    mode_t old_;
};

class EveryFileKind : public ::testing::Test {
  protected:
    EveryFileKind() {
        fs::create_directories(folder.path() / "Text data");
        fs::create_directories(elsewhere);
        layoutSheet(window);
        testing::typeWorkedExample(window);
    }

    // The writes of every kind: what each command writes, with the file it writes.
    struct Kind {
        const char* name;
        fs::path target;
        std::function<bool()> write;
        // The user's files are written through a link; the program's working copy replaces one.
        bool throughLink = true;
    };
    std::vector<Kind> kinds() {
        const fs::path data = paths::dataFolder(folder.path());
        return {
            {"raw data file", folder.path() / "Text data" / "m.dat",
             [this] {
                 window.answerFileDialog(ctl::通用对话框保存,
                                         folder.path() / "Text data" / "m.dat");
                 return saveCommand(window).status == SaveOutcome::Status::Saved;
             }},
            {"coefficient file", paths::coefficientFile(folder.path()),
             [this] {
                 return saveCoefficientFile(window).status == CoefficientOutcome::Status::Done;
             }},
            {"working copy", paths::formWorkingCopy(folder.path(), false),
             [this] {
                 // The working copy a spreadsheet program prints from, written as the print
                 // road writes it.
                 const FormPlace place = formPlaceOf(formContextOf(window), false);
                 FilledForm filled = fillForm(windowForm(window), place, false);
                 std::string problem;
                 return filled && writeWorkingCopy(*filled.workbook, place, problem);
             },
             false},
            {"exported workbook", folder.path() / "excel" / "form.xlsx",
             [this] {
                 window.answerFileDialog(ctl::通用对话框excel,
                                         folder.path() / "excel" / "form.xlsx");
                 return exportCommand(window).status == FormOutcome::Status::Done;
             }},
        };
    }

    testing::FormFolder folder;
    fs::path elsewhere = folder.path() / "elsewhere";
    HeadlessWindow window{folder.path()};
};

TEST_F(EveryFileKind, ASaveThroughALinkKeepsItButTheWorkingCopyNeverLeadsOutOfData) {
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    for (Kind& kind : kinds()) {
        const fs::path real = elsewhere / (std::string(kind.name) + ".real");
        ASSERT_TRUE(writeFileAtomic(real, "old"));
        ::chmod(real.c_str(), 0640);
        std::error_code ignored;
        fs::remove(kind.target, ignored);
        fs::create_symlink(real, kind.target);

        EXPECT_TRUE(kind.write()) << kind.name;
        if (kind.throughLink) {
            EXPECT_TRUE(fs::is_symlink(kind.target)) << kind.name;
            EXPECT_EQ(fs::read_symlink(kind.target), real) << kind.name;
            EXPECT_NE(readFileBytes(real), "old") << kind.name;
            EXPECT_EQ(modeOf(real), 0640u) << kind.name;
        } else {
            EXPECT_FALSE(fs::is_symlink(kind.target)) << kind.name;
            EXPECT_EQ(readFileBytes(real), "old") << kind.name;
        }
    }
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(EveryFileKind, ANewFileUnderUmask077IsNotReadableByOthers) {
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    const Umask mask(077);
    for (Kind& kind : kinds()) {
        std::error_code ignored;
        fs::remove(kind.target, ignored);
        EXPECT_TRUE(kind.write()) << kind.name;
        EXPECT_EQ(modeOf(kind.target), 0600u) << kind.name;
    }
}

TEST(AtomicWriter, ALinkPlantedByAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the link another owner";
    }
    testing::FormFolder folder;
    const fs::path shared = folder.path() / "shared";
    const fs::path victim = folder.path() / "victim.dat";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    ASSERT_TRUE(writeFileAtomic(victim, "secret"));
    const fs::path planted = shared / "form.xlsx";
    fs::create_symlink(victim, planted);
    ASSERT_EQ(::lchown(planted.c_str(), 65534, 65534), 0);

    EXPECT_FALSE(writeFileAtomic(planted, "overwritten"));
    EXPECT_EQ(readFileBytes(victim), "secret");
    EXPECT_TRUE(fs::is_symlink(planted));

    // The user's own link in the same folder is followed.
    ASSERT_EQ(::lchown(planted.c_str(), 0, 0), 0);
    EXPECT_TRUE(writeFileAtomic(planted, "mine"));
    EXPECT_EQ(readFileBytes(victim), "mine");
}

TEST(AtomicWriter, ADanglingLinkIsRefusedAndLeftoversOfDeadWritersAreRemoved) {
    testing::FormFolder folder;
    const fs::path link = folder.path() / "dangling.dat";
    fs::create_symlink(folder.path() / "nowhere" / "x.dat", link);
    const WriteResult written = writeFileAtomic(link, "x");
    EXPECT_FALSE(written);
    EXPECT_NE(written.problem.find("不存在"), std::string::npos);

    // A temporary file of a writer that was killed an hour ago, one of a running process, one
    // an hour old that a writer still holds (whatever the id in its name), and a user's file
    // that only looks alike.
    const fs::path dead = folder.path() / ".a.dat.tmp4194305-0";
    const fs::path alive = folder.path() / (".a.dat.tmp" + std::to_string(::getpid()) + "-7");
    const fs::path held = folder.path() / ".a.dat.tmp4194306-0";
    const fs::path lookalike = folder.path() / ".a.dat.tmp4194305-0.keep";
    for (const auto& file : {dead, alive, held, lookalike}) {
        ASSERT_TRUE(writeFileAtomic(file, "x"));
    }
    for (const auto& file : {dead, held}) {
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ASSERT_TRUE(writeFileAtomic(folder.path() / "a.dat", "saved"));
    ::close(holder);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(alive));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(lookalike));
}

TEST(ReadFile, AFifoIsRefusedWithoutWaitingForAWriter) {
    testing::FormFolder folder;
    const fs::path fifo = folder.path() / "fifo.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readFileBytes(fifo));
}

} // namespace
} // namespace tarnelo
