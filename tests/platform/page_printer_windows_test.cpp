// The Windows print road where neither Excel nor WPS is installed (as under Wine): LibreOffice
// prints the form from its command line, with a profile of its own, to the default printer; a
// failure says so with its exit code.
#include "platform/print/page_printer.hpp"
#include "platform/print/page_printer.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> linesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(WindowsPrint, LibreOfficePrintsTheFormWhenNoSpreadsheetProgramIs) {
    const fs::path fake = fs::absolute(fs::path(TARNELO_PROGRAM_DIR) / "tarnelo_fake_soffice.exe");
    ASSERT_TRUE(fs::exists(fake));
    const std::wstring setting = L"TARNELO_SOFFICE=" + fake.wstring();
    ::_wputenv(setting.c_str());
    const fs::path said = fs::temp_directory_path() / "tarnelo-fake-soffice.txt";
    fs::remove(said);

    EXPECT_EQ(printingUnavailable(), "");
    const auto printer = findPagePrinter();
    ASSERT_NE(printer, nullptr);
    PageRequest request;
    request.workbook = fs::temp_directory_path() / paths::fromUtf8("记载表.xlsx");
    request.from = 1;
    request.to = 2;
    PagesPrinted printed = printer->print(request);
    EXPECT_TRUE(printed.ok) << printed.error;
    EXPECT_EQ(printed.pages, 2);
    const std::vector<std::string> args = linesOf(said);
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[0], "--headless");
    EXPECT_EQ(args[1], "--norestore");
    EXPECT_EQ(args[2].rfind("-env:UserInstallation=file:///", 0), 0u) << args[2];
    EXPECT_EQ(args[3], "-p");

    request.workbook = fs::temp_directory_path() / "refused.xlsx";
    request.printer = "Office printer";
    printed = printer->print(request);
    EXPECT_FALSE(printed.ok);
    EXPECT_EQ(printed.error, "LibreOffice 没能打印记载表（退出码 3）");
    EXPECT_EQ(linesOf(said).at(3), "--pt");
    EXPECT_EQ(linesOf(said).at(4), "Office printer");

    request.file = fs::temp_directory_path() / "form.pdf";
    EXPECT_EQ(printer->print(request).error, "Windows 版不能把记载表打印到文件");

    ::_wputenv(L"TARNELO_SOFFICE=");
    fs::remove(said);
}

} // namespace
} // namespace tarnelo
