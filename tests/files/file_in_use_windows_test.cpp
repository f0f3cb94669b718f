// A file another program holds open (a workbook open in Excel) on Windows: said as such, and the
// file stays as it was until that program lets it go.
#include "files/file_io.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <windows.h>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

TEST(FileInUse, AFileHeldByAnotherProgramIsNamedAndKeptUntilItIsLetGo) {
    const fs::path folder = fs::temp_directory_path() / paths::fromUtf8("tarnelo 占用 测试");
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / paths::fromUtf8("石门 2024 成果表.xlsx");
    ASSERT_TRUE(writeFileAtomic(file, "old"));
    // As Excel holds an open workbook: others may read it, nobody may replace it.
    const HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const WriteResult checked = checkFileWritable(file);
    EXPECT_FALSE(checked);
    EXPECT_NE(checked.problem.find("文件正被其他程序使用"), std::string::npos) << checked.problem;
    const WriteResult refused = writeFileAtomic(file, "new");
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.problem.find("文件正被其他程序使用"), std::string::npos) << refused.problem;
    EXPECT_NE(refused.problem.find("石门 2024 成果表.xlsx"), std::string::npos);
    ::CloseHandle(held);
    EXPECT_EQ(readFileBytes(file, 100), std::optional<std::string>("old"));
    const WriteResult written = writeFileAtomic(file, "new");
    EXPECT_TRUE(written) << written.problem;
    EXPECT_EQ(readFileBytes(file, 100), std::optional<std::string>("new"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::remove_all(folder);
}

} // namespace
} // namespace tarnelo
