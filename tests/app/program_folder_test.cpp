#include "app/program_folder.hpp"

#include "app/file_commands.hpp"
#include "files/file_io.hpp"
#include "app/window_form.hpp"
#include "report/record_form.hpp"
#include "support/headless_window.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

// A scratch machine: an installed package under prefix/ (bin without Data, share/tarnelo with
// the supplied files) and an empty home folder.
class ProgramFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarnelo-folders-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        bin = root / "prefix" / "bin";
        share = root / "prefix" / "share" / "tarnelo";
        fs::create_directories(bin);
        fs::create_directories(share / "Data");
        put(share / "Data" / "moduleexcel_1.dat", "one page");
        put(share / "Data" / "moduleexcel_2.dat", "two pages");
        put(share / "guide.html", "<html>guide</html>");
        environment.home = root / "home";
        fs::create_directories(environment.home);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(bin / "Data", fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    static void put(const fs::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string bytesOf(const fs::path& file) {
        return readFileBytes(file).value_or("<missing>");
    }

    fs::path root;
    fs::path bin;
    fs::path share;
    UserEnvironment environment;
};

TEST_F(ProgramFolderTest, AFolderWithWritableDataStaysTheProgramFolderAndNothingIsLaidOut) {
    fs::create_directories(bin / "Data");
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    EXPECT_FALSE(folders.perUser);
    EXPECT_EQ(folders.program, bin);
    EXPECT_EQ(folders.documents, bin);
    EXPECT_TRUE(folders.problems.empty());
    EXPECT_TRUE(fs::is_empty(environment.home));
}

TEST_F(ProgramFolderTest, FirstStartOfAnInstalledProgramLaysOutTheUsersFolders) {
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    EXPECT_TRUE(folders.perUser);
    EXPECT_TRUE(folders.problems.empty());
    const fs::path program = environment.home / ".local" / "share" / "tarnelo";
    EXPECT_EQ(folders.program, program);
    EXPECT_EQ(bytesOf(paths::formTemplate(program, false)), "one page");
    EXPECT_EQ(bytesOf(paths::formTemplate(program, true)), "two pages");
    EXPECT_EQ(bytesOf(paths::guideFile(program)), "<html>guide</html>");
    // Nothing the user owns is supplied: the window writes those itself.
    EXPECT_FALSE(fs::exists(paths::coefficientFile(program)));
    EXPECT_FALSE(fs::exists(paths::dataFolder(program) / "snap.dat"));

    const fs::path documents = environment.home / "Documents" / "Tarnelo";
    EXPECT_EQ(folders.documents, documents);
    EXPECT_TRUE(fs::is_directory(paths::textDataFolder(documents)));
    EXPECT_TRUE(fs::is_directory(paths::excelFolder(documents)));
}

TEST_F(ProgramFolderTest, LaterStartsKeepTheUsersFilesAndFollowAnUpgradedPackage) {
    const fs::path program = resolveProgramFolders(bin, environment).program;
    put(paths::coefficientFile(program), "coefficients");
    put(paths::dataFolder(program) / "snap.dat", "header");
    put(paths::formWorkingCopy(program, false), "filled form");
    put(paths::textDataFolder(environment.home / "Documents" / "Tarnelo") / "m.dat", "saved");
    put(share / "Data" / "moduleexcel_2.dat", "two pages, new");

    const ProgramFolders again = resolveProgramFolders(bin, environment);
    EXPECT_TRUE(again.problems.empty());
    EXPECT_EQ(bytesOf(paths::coefficientFile(program)), "coefficients");
    EXPECT_EQ(bytesOf(paths::dataFolder(program) / "snap.dat"), "header");
    EXPECT_EQ(bytesOf(paths::formWorkingCopy(program, false)), "filled form");
    EXPECT_EQ(bytesOf(paths::textDataFolder(again.documents) / "m.dat"), "saved");
    EXPECT_EQ(bytesOf(paths::formTemplate(program, false)), "one page");
    EXPECT_EQ(bytesOf(paths::formTemplate(program, true)), "two pages, new");
}

TEST_F(ProgramFolderTest, XdgDataHomeAndTheDocumentsFolderOfUserDirsAreFollowed) {
    environment.xdgDataHome = root / "data";
    environment.xdgConfigHome = root / "config";
    fs::create_directories(environment.xdgConfigHome);
    put(environment.xdgConfigHome / "user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                      "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
                                                      "  XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n"
                                                      "XDG_MUSIC_DIR=\"$HOME/音乐\"\n");
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    EXPECT_EQ(folders.program, root / "data" / "tarnelo");
    EXPECT_EQ(bytesOf(paths::formTemplate(folders.program, false)), "one page");
    EXPECT_EQ(folders.documents, environment.home / "文档" / "Tarnelo");
    EXPECT_TRUE(fs::is_directory(paths::excelFolder(folders.documents)));
}

TEST_F(ProgramFolderTest, DocumentsFolderForms) {
    const fs::path config = environment.home / ".config";
    fs::create_directories(config);
    const auto documentsFor = [&](const std::string& line) {
        put(config / "user-dirs.dirs", line + "\n");
        return userDocumentsFolder(environment);
    };
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIR=\"/srv/papers\""), fs::path("/srv/papers"));
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\""),
              environment.home / "My \"Docs\"");
    // Set to the home folder itself: the user turned the folder off, as xdg-user-dir reads it.
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIR=\"$HOME/\""), environment.home);
    // Relative, unquoted or another variable's value: not valid there.
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIR=\"papers\""), environment.home / "Documents");
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIR=$HOME/papers"), environment.home / "Documents");
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIRS=\"/srv/x\""), environment.home / "Documents");
    EXPECT_EQ(documentsFor("XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\""), environment.home / "Documents");
}

TEST_F(ProgramFolderTest, AReadOnlyPortableFolderSuppliesTheTemplatesToTheUsersFolder) {
    fs::create_directories(bin / "Data");
    put(bin / "Data" / "moduleexcel_1.dat", "portable one page");
    put(bin / "Data" / "moduleexcel_2.dat", "portable two pages");
    put(bin / "guide.html", "portable guide");
    fs::permissions(bin / "Data",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (::access((bin / "Data").c_str(), W_OK) == 0) {
        GTEST_SKIP() << "running with rights that ignore file permissions";
    }
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    EXPECT_TRUE(folders.perUser);
    EXPECT_EQ(bytesOf(paths::formTemplate(folders.program, false)), "portable one page");
    EXPECT_EQ(bytesOf(paths::guideFile(folders.program)), "portable guide");
}

TEST_F(ProgramFolderTest, WhatCannotBeLaidOutIsReported) {
    fs::remove(share / "guide.html");
    // A file where the documents folder should be.
    put(environment.home / "Documents", "not a folder");
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    EXPECT_TRUE(folders.perUser);
    EXPECT_EQ(folders.problems.size(), 3U); // the guide, Text data, excel
    EXPECT_EQ(bytesOf(paths::formTemplate(folders.program, true)), "two pages");

    // Without any home folder there is nowhere to lay anything out.
    const ProgramFolders homeless = resolveProgramFolders(bin, UserEnvironment{});
    EXPECT_EQ(homeless.program, bin);
    EXPECT_EQ(homeless.problems.size(), 1U);
}

TEST_F(ProgramFolderTest, AnInstalledProgramsDialogsStartInTheDocumentsFolder) {
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    HeadlessWindow window(folders.program);
    window.setDocumentFolder(folders.documents);
    EXPECT_EQ(openCommand(window).outcome, OpenOutcome::Cancelled);
    EXPECT_EQ(exportCommand(window).status, FormOutcome::Status::Cancelled);
    EXPECT_EQ(window.dialogFolders.at(std::string(ctl::通用对话框打开)),
              environment.home / "Documents" / "Tarnelo" / "Text data");
    EXPECT_EQ(window.dialogFolders.at(std::string(ctl::通用对话框excel)),
              environment.home / "Documents" / "Tarnelo" / "excel");
}

} // namespace
} // namespace tarnelo
