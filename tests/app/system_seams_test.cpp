// What every operating system must do the same way behind the system seams: names in Chinese
// reach the disk as themselves, one window owns a program folder, scratch folders come and go,
// and a helper program runs and reports its status. These run on Linux and on Windows (Wine).
#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/program_lock.hpp"
#include "app/window_sheet.hpp"
#include "files/file_access.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"
#include "app/window_form.hpp"
#include "report/record_form.hpp"
#include "sheet/sheet.hpp"
#include "support/form_folder.hpp"
#include "support/headless_window.hpp"
#include "support/worked_example.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

// The names in a folder as UTF-8 texts, read back from the system.
std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::u8string name = entry.path().filename().u8string();
        names.insert(std::string(name.begin(), name.end()));
    }
    return names;
}

TEST(SystemSeams, AMeasurementUnderChineseNamesSavesOpensAndExports) {
    testing::FormFolder folder;
    const fs::path station = folder.path() / paths::fromUtf8("测站") / paths::fromUtf8("2024年");
    fs::create_directories(station);
    const fs::path file = station / paths::fromUtf8("第58次.dat");

    HeadlessWindow window(folder.path());
    layoutSheet(window);
    testing::typeWorkedExample(window);
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    window.answerFileDialog(ctl::通用对话框保存, file);
    ASSERT_EQ(saveCommand(window).status, SaveOutcome::Status::Saved);
    // The name on disk is the name given, not its bytes read in another code page.
    EXPECT_EQ(namesIn(folder.path()).count("测站"), 1u);
    EXPECT_EQ(namesIn(station), std::set<std::string>{"第58次.dat"});
    const auto saved = readFileBytes(file);
    ASSERT_TRUE(saved.has_value());
    // Saved as GBK: the bytes decode back to the same texts.
    EXPECT_EQ(utf8ToGbk(gbkToUtf8(*saved)), saved);

    HeadlessWindow reopened(folder.path());
    layoutSheet(reopened);
    ASSERT_EQ(openRawDataFile(reopened, file).outcome, OpenOutcome::Opened);
    ASSERT_EQ(computeCommand(reopened).status, ComputeOutcome::Status::Computed);
    EXPECT_EQ(reopened.sheet().cell(5, 3), window.sheet().cell(5, 3));
    const fs::path workbook = station / paths::fromUtf8("第58次记载表.xlsx");
    reopened.answerFileDialog(ctl::通用对话框excel, workbook);
    ASSERT_EQ(exportCommand(reopened).status, FormOutcome::Status::Done);
    const auto exported = readFileBytes(workbook);
    ASSERT_TRUE(exported.has_value());
    EXPECT_EQ(exported->substr(0, 2), "PK");
    EXPECT_EQ(namesIn(station).size(), 2u);
}

TEST(SystemSeams, GbkIsTheSameOnEverySystemRefusalsIncluded) {
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    EXPECT_EQ(gbkToUtf8("\xB2\xE2\xD5\xBE"), "测站");
    EXPECT_EQ(gbkToUtf8("\xA1\xA4\xA8\xB9"), "·ü");
    EXPECT_EQ(gbkToUtf8("\x80"), "€");
    // A user-defined area, a lead byte without its trail byte, a cut-off end.
    EXPECT_EQ(gbkToUtf8("\xAA\xA1x"), std::string(kReplacement) + std::string(kReplacement) + "x");
    EXPECT_EQ(gbkToUtf8("a\xB2"), "a" + std::string(kReplacement));
    EXPECT_EQ(gbkToUtf8("\xFF"), kReplacement);

    EXPECT_EQ(utf8ToGbk("测站·ü€"), "\xB2\xE2\xD5\xBE\xA1\xA4\xA8\xB9\x80");
    // Nothing GBK cannot hold is ever replaced by a look-alike.
    for (const char* outside : {"•", "¥", "😀", "\xEE\x80\x80", "\xC0\x80"}) {
        EXPECT_FALSE(utf8ToGbk(std::string("测") + outside).has_value()) << outside;
    }
    EXPECT_EQ(firstCharacterOutsideGbk("测站¥"), "¥");
}

TEST(SystemSeams, OneOwnerPerProgramFolderUntilItLetsGo) {
    testing::FormFolder folder;
    std::unique_ptr<ProgramFolderLock> first;
    std::unique_ptr<ProgramFolderLock> second;
    ASSERT_EQ(ProgramFolderLock::acquire(folder.path(), first), ProgramFolderLock::Result::Taken);
    EXPECT_EQ(ProgramFolderLock::acquire(folder.path(), second),
              ProgramFolderLock::Result::HeldByOther);
    first.reset();
    EXPECT_EQ(ProgramFolderLock::acquire(folder.path(), second), ProgramFolderLock::Result::Taken);
    std::unique_ptr<ProgramFolderLock> none;
    EXPECT_EQ(ProgramFolderLock::acquire(folder.path() / "missing", none),
              ProgramFolderLock::Result::NoFolder);
}

TEST(SystemSeams, ScratchFoldersAreWritableAndGoAwayWithTheirOwner) {
    fs::path made;
    {
        const sys::ScratchFolder scratch("tarnelo-seams");
        ASSERT_TRUE(scratch.valid());
        made = scratch.path();
        EXPECT_TRUE(made.is_absolute());
        EXPECT_TRUE(mayWrite(made));
        const fs::path file = made / paths::fromUtf8("断面.txt");
        ASSERT_TRUE(writeFileAtomic(file, "1"));
        EXPECT_TRUE(mayWrite(file));
        EXPECT_FALSE(mayWrite(made / "missing"));
        // The writer leaves nothing but the file itself.
        EXPECT_EQ(namesIn(made), std::set<std::string>{"断面.txt"});
        const std::string url = sys::fileUrl(made / paths::fromUtf8("a b#%~测"));
        EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
        EXPECT_EQ(url.find('\\'), std::string::npos) << url;
        EXPECT_TRUE(url.ends_with("/a%20b%23%25~%E6%B5%8B")) << url;
    }
    EXPECT_FALSE(fs::exists(made));
}

TEST(SystemSeams, OnlyWhatEndedProcessesLeftBehindIsRemoved) {
    const sys::ScratchFolder scratch("tarnelo-seams");
    ASSERT_TRUE(scratch.valid());
    // This process's id, from its scratch folder's name <prefix>-<pid>-XXXXXX. 4194305 is no
    // process's id: it is above Linux's largest, and Windows ids are multiples of four.
    const std::string name = scratch.path().filename().string();
    const std::string self = name.substr(14, name.rfind('-') - 14);
    const fs::path folder = scratch.path();
    const std::set<std::string> kept = {".a.dat.tmp" + self + "-7", ".a.dat.tmp4194305-0.keep",
                                        ".a.dat.tmp4194305", "a.dat.tmp4194305-1"};
    for (const auto& file : kept) {
        ASSERT_TRUE(writeFileAtomic(folder / file, "x"));
    }
    // A writer's leftover that is a folder stays; a file of a writer that ended an hour ago goes,
    // one written just now stays (its writer may run where its process id means nothing).
    fs::create_directory(folder / ".b.dat.tmp4194305-2");
    ASSERT_TRUE(writeFileAtomic(folder / ".a.dat.tmp4194305-0", "x"));
    ASSERT_TRUE(writeFileAtomic(folder / ".a.dat.tmp4194305-3", "x"));
    fs::last_write_time(folder / ".a.dat.tmp4194305-0",
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_TRUE(writeFileAtomic(folder / "a.dat", "saved"));
    std::set<std::string> expected = kept;
    expected.insert({".b.dat.tmp4194305-2", ".a.dat.tmp4194305-3", "a.dat"});
    EXPECT_EQ(namesIn(folder), expected);

    // Scratch folders: one of an ended process, one of this process, one of another prefix.
    const fs::path parent = sys::scratchParent();
    const fs::path gone = parent / "tarnelo-seams-stale-4194305-abcdef";
    const fs::path other = parent / "tarnelo-seams-stale-x-4194305-abcdef";
    const fs::path file = parent / "tarnelo-seams-stale-4194305-file";
    fs::create_directory(gone);
    fs::create_directory(other);
    std::ofstream(file) << "x";
    const sys::ScratchFolder mine("tarnelo-seams-stale");
    sys::removeStaleScratchFolders("tarnelo-seams-stale");
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(mine.path()));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(file));
    fs::remove_all(gone);
    fs::remove(other);
    fs::remove(file);
}

TEST(SystemSeams, AnAtomicWriteIntoAMissingFolderSaysSoAndWritesNothing) {
    const sys::ScratchFolder scratch("tarnelo-seams");
    ASSERT_TRUE(scratch.valid());
    const WriteResult written = writeFileAtomic(scratch.path() / "missing" / "a.dat", "x");
    EXPECT_FALSE(written);
    EXPECT_NE(written.problem.find("不存在"), std::string::npos) << written.problem;
    // A folder at the target is never replaced.
    fs::create_directory(scratch.path() / "folder");
    EXPECT_FALSE(writeFileAtomic(scratch.path() / "folder", "x"));
    EXPECT_TRUE(fs::is_directory(scratch.path() / "folder"));
    EXPECT_EQ(namesIn(scratch.path()), std::set<std::string>{"folder"});
}

TEST(SystemSeams, AHelperProgramRunsAndItsExitStatusComesBack) {
#ifdef _WIN32
    const std::vector<std::string> exits3 = {"C:\\windows\\system32\\cmd.exe", "/c", "exit 3"};
#else
    const std::vector<std::string> exits3 = {"/bin/sh", "-c", "exit 3"};
#endif
    const sys::ChildResult result = sys::runChild(exits3, {}, std::chrono::seconds(30));
    EXPECT_EQ(result.status, sys::ChildResult::Status::Exited);
    EXPECT_EQ(result.exitCode, 3);
    // A program that is not there never reports success.
    const sys::ChildResult missing =
        sys::runChild({"/no/such/program"}, {}, std::chrono::seconds(5));
    EXPECT_TRUE(missing.status == sys::ChildResult::Status::CouldNotRun ||
                (missing.status == sys::ChildResult::Status::Exited && missing.exitCode == 127));
}

} // namespace
} // namespace tarnelo
