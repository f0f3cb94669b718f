// The writer's names and permissions, the checks of folders the program trusts, the contents a
// template may not carry, and the section picture for numbers at the ends of the double range.
#include "app/program_folder.hpp"
#include "files/file_io.hpp"
#include "platform/workbook/package.hpp"
#include "report/section_plot.hpp"
#include "support/form_folder.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

mode_t fullModeOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::size_t count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(AtomicWriter, LongNamesSpecialBitsAndTheCheckBeforeALongJob) {
    testing::FormFolder folder;
    // A name of 250 bytes is written: the temporary name is shortened to fit beside it.
    const fs::path longName = folder.path() / (std::string(246, 'x') + ".pdf");
    const WriteResult first = writeFileAtomic(longName, "pages");
    EXPECT_TRUE(first) << first.problem;
    EXPECT_EQ(readFileBytes(longName), "pages");
    const fs::path tooLong = folder.path() / (std::string(300, 'y') + ".pdf");
    const WriteResult checked = checkFileWritable(tooLong);
    EXPECT_FALSE(checked);
    EXPECT_NE(checked.problem.find("文件名太长"), std::string::npos);
    const WriteResult written = writeFileAtomic(tooLong, "pages");
    EXPECT_FALSE(written);
    EXPECT_NE(written.problem.find("文件名太长"), std::string::npos);
    EXPECT_EQ(written.problem.find("不可写入"), std::string::npos);

    // A replaced file keeps its permission bits, never set-user-ID, set-group-ID or sticky.
    ASSERT_EQ(::chmod(longName.c_str(), 06777), 0);
    ASSERT_TRUE(writeFileAtomic(longName, "again"));
    EXPECT_EQ(fullModeOf(longName), 0777u);
    ASSERT_EQ(::chmod(longName.c_str(), 0600), 0);
    ASSERT_TRUE(writeFileAtomic(longName, "again"));
    EXPECT_EQ(fullModeOf(longName), 0600u);

    // The check writes nothing and says what the write would say.
    const fs::path fresh = folder.path() / "fresh.pdf";
    EXPECT_TRUE(checkFileWritable(fresh));
    EXPECT_FALSE(fs::exists(fresh));
    const WriteResult noFolder = checkFileWritable(folder.path() / "none" / "form.pdf");
    EXPECT_FALSE(noFolder);
    EXPECT_NE(noFolder.problem.find("不存在"), std::string::npos);
    const WriteResult aFolder = checkFileWritable(folder.path() / "Data");
    EXPECT_FALSE(aFolder);
    EXPECT_NE(aFolder.problem.find("不是普通文件"), std::string::npos);
}

TEST(AtomicWriter, EachWriteAndCheckSaysItsOwnProblem) {
    testing::FormFolder folder;
    // A refused write, a write that succeeds and one refused for another reason, the results
    // read only at the end: each tells its own, and a success tells nothing.
    const WriteResult missing = writeFileAtomic(folder.path() / "none" / "a.dat", "x");
    const WriteResult done = writeFileAtomic(folder.path() / "a.dat", "x");
    const WriteResult aFolder = checkFileWritable(folder.path() / "Data");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.problem.find("不存在"), std::string::npos) << missing.problem;
    EXPECT_TRUE(done);
    EXPECT_EQ(done.problem, "");
    EXPECT_FALSE(done.outOfSpace);
    EXPECT_FALSE(aFolder);
    EXPECT_NE(aFolder.problem.find("不是普通文件"), std::string::npos) << aFolder.problem;
    EXPECT_EQ(aFolder.problem.find("不存在"), std::string::npos);
}

TEST(Messages, NamesShowLineBreaksAndControlsEscaped) {
    EXPECT_EQ(escapedName(std::string_view("a\nb\rc\td\x1b")), "a\\nb\\rc\\td\\x1b");
    EXPECT_EQ(escapedName(std::string_view("测流 站.dat")), "测流 站.dat");
    const WriteResult written = writeFileAtomic("/no such\nfolder/x.dat", "x");
    EXPECT_FALSE(written);
    EXPECT_EQ(written.problem.find('\n'), std::string::npos);
    EXPECT_NE(written.problem.find("no such\\nfolder"), std::string::npos);
}

TEST(TrustedFolders, FoldersOfOthersOrWritableByOthersAreRefused) {
    testing::FormFolder scratch;
    const fs::path own = scratch.path() / "own";
    fs::create_directory(own);
    ::chmod(own.c_str(), 0755);
    EXPECT_FALSE(untrustedFolderProblem(own));
    EXPECT_FALSE(untrustedFolderProblem(scratch.path() / "missing"));

    ::chmod(own.c_str(), 0775);
    const auto writable = untrustedFolderProblem(own);
    ASSERT_TRUE(writable);
    EXPECT_NE(writable->find(own.string()), std::string::npos);
    EXPECT_NE(writable->find("同组或其他用户写入"), std::string::npos);
    ::chmod(own.c_str(), 0755);

    // Inside a sticky shared folder the user's own folder is safe; inside a folder anybody may
    // rename things in, it is not.
    const fs::path sticky = scratch.path() / "sticky";
    const fs::path open = scratch.path() / "open";
    for (const auto& [parent, mode] : {std::pair{sticky, 01777}, std::pair{open, 0777}}) {
        fs::create_directories(parent / "tarnelo");
        ::chmod(parent.c_str(), static_cast<mode_t>(mode));
    }
    EXPECT_FALSE(untrustedFolderProblem(sticky / "tarnelo"));
    const auto above = untrustedFolderProblem(open / "tarnelo");
    ASSERT_TRUE(above);
    EXPECT_NE(above->find("上级文件夹"), std::string::npos);

    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a folder another owner";
    }
    ASSERT_EQ(::chown((sticky / "tarnelo").c_str(), 65534, 65534), 0);
    const auto foreign = untrustedFolderProblem(sticky / "tarnelo");
    ASSERT_TRUE(foreign);
    EXPECT_NE(foreign->find("属于另一个用户"), std::string::npos);

    // The per-user folder of another user is not used, and nothing is laid out in it.
    const fs::path bin = scratch.path() / "prefix" / "bin";
    fs::create_directories(bin);
    UserEnvironment environment;
    environment.home = scratch.path() / "home";
    environment.xdgDataHome = sticky;
    const ProgramFolders folders = resolveProgramFolders(bin, environment);
    EXPECT_NE(folders.program, sticky / "tarnelo");
    ASSERT_FALSE(folders.problems.empty());
    EXPECT_NE(folders.problems.front().find((sticky / "tarnelo").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(sticky / "tarnelo" / "Data"));
}

TEST(TrustedFolders, TheCommandLineToolMakesNoFolder) {
    testing::FormFolder scratch;
    const fs::path bin = scratch.path() / "prefix" / "bin";
    fs::create_directories(bin);
    UserEnvironment environment;
    environment.home = scratch.path() / "home";
    fs::create_directory(environment.home);
    const ProgramFolders folders = resolveProgramFolders(bin, environment, FolderLayout::LookOnly);
    EXPECT_EQ(folders.program, environment.home / ".local" / "share" / "tarnelo");
    EXPECT_TRUE(fs::is_empty(environment.home));
}

TEST(TemplateContent, MacrosLinksDdeAndFormulasAreNamed) {
    std::vector<xlsx::RawPart> parts;
    std::string error;
    ASSERT_TRUE(xlsx::readPackage(fs::path(TARNELO_PROGRAM_DIR) / "Data" / "moduleexcel_1.dat",
                                  parts, error))
        << error;
    EXPECT_FALSE(xlsx::activeContentIn(parts)) << *xlsx::activeContentIn(parts);

    const auto with = [&](xlsx::RawPart extra) {
        auto crafted = parts;
        crafted.push_back(std::move(extra));
        return xlsx::activeContentIn(crafted).value_or("");
    };
    EXPECT_NE(with({"xl/vbaProject.bin", "\xd0\xcf"}).find("宏"), std::string::npos);
    EXPECT_NE(with({"xl/macrosheets/sheet1.xml", "<x/>"}).find("宏"), std::string::npos);
    EXPECT_NE(with({"xl/externalLinks/externalLink1.xml", "<externalLink/>"}).find("外部链接"),
              std::string::npos);
    EXPECT_NE(with({"xl/other.xml", "<externalLink><ddeLink ddeService=\"cmd\"/></externalLink>"})
                  .find("DDE"),
              std::string::npos);
    EXPECT_NE(with({"xl/worksheets/sheet9.xml", "<c r=\"A1\"><f>1+1</f></c>"}).find("公式"),
              std::string::npos);
    EXPECT_NE(with({"xl/worksheets/sheet9.xml", "<x:c><x:f t=\"shared\"/></x:c>"}).find("公式"),
              std::string::npos);
    // Element names that only begin like a formula are no formula.
    EXPECT_EQ(with({"xl/worksheets/sheet9.xml", "<c><font/><fx>1</fx></c>"}), "");
}

MeasuredSection sectionOf(const std::vector<std::pair<double, double>>& verticals,
                          std::optional<double> discharge) {
    MeasuredSection section;
    int row = 0;
    for (const auto& [distance, depth] : verticals) {
        const bool velocity = row % 2 == 1;
        section.verticals.push_back({row,
                                     distance,
                                     depth,
                                     false,
                                     velocity,
                                     velocity ? std::to_string(row) : "",
                                     velocity ? std::optional(depth) : std::nullopt,
                                     {}});
        ++row;
    }
    if (discharge) {
        section.discharge = discharge;
        section.dischargeText = "1";
        for (std::size_t k = 0; k + 1 < verticals.size(); ++k) {
            section.partials.push_back(
                {static_cast<int>(k), verticals[k].first, verticals[k + 1].first, 1.0});
        }
    }
    return section;
}

TEST(SectionPlot, NumbersAtTheEndsOfTheDoubleRangeGiveBoundedAxes) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kTiny = std::numeric_limits<double>::denorm_min();
    const std::vector<MeasuredSection> sections = {
        sectionOf(std::vector<std::pair<double, double>>(6, {1e30, 1.0}), std::nullopt),
        sectionOf({{-kMax, 0}, {-1e308, kMax}, {0, 1e300}, {1e308, 1}, {kMax, 0}}, kTiny),
        sectionOf({{0, 0}, {kTiny, 1e-310}, {2 * kTiny, 1e-309}, {4e-320, 0}}, 1e-300),
        sectionOf({{5, 2}, {5, 2}, {5, 2}}, kMax),
    };
    for (const MeasuredSection& section : sections) {
        const std::string svg = sectionPlotSvg(section, {}, {}, {}, {});
        for (const std::string_view bad : {"inf", "nan"}) {
            const auto at = svg.find(bad);
            EXPECT_EQ(at, std::string::npos) << svg.substr(at < 200 ? 0 : at - 200, 300);
        }
        EXPECT_LT(count(svg, "<text"), 120u);
        EXPECT_NE(svg.find("起点距 (m)"), std::string::npos);
    }
    MeasuredSection beyond = sections.front();
    beyond.unbounded = UnboundedCell{4, col::水深};
    const auto problem = sectionPlotProblem(beyond);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("第 5 行“水深”"), std::string::npos);
    EXPECT_NE(sectionPlotSvg(beyond, {}, {}, {}, {}).find(*problem), std::string::npos);
}

} // namespace
} // namespace tarnelo
