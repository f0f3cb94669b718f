// The workbook package as it is read and written: a crafted archive is refused as damaged before
// it can cost time or memory, part names stay inside the package, saving goes through the
// program's atomic writer, and numbers are written as "%.13g" whatever the locale.
#include "platform/workbook/cell_text.hpp"
#include "platform/workbook/package.hpp"
#include "platform/workbook/workbook.hpp"

#include <gtest/gtest.h>
#include <zip.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace tarnelo::xlsx {
namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string name;
    std::string bytes;
    zip_int32_t method = ZIP_CM_DEFLATE;
    zip_uint32_t level = 1; // fast: some parts are tens of megabytes
};

std::vector<Entry> soundEntries() {
    return {
        {"[Content_Types].xml",
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/></Types>)"},
        {"_rels/.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<workbook xmlns:r="r"><sheets><sheet name="表" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<worksheet><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData></worksheet>)"},
    };
}

// Text that deflate shrinks about a hundredfold, as a large sheet would.
std::string ordinaryText(std::size_t size) {
    std::string block;
    unsigned x = 1;
    for (int i = 0; i < 1024; ++i) {
        x = x * 1103515245u + 12345u;
        block += static_cast<char>('a' + (x >> 16) % 26);
    }
    std::string text;
    while (text.size() < size) {
        text += block;
    }
    text.resize(size);
    return text;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// Names and texts of the entries of an archive, in archive order.
std::vector<std::pair<std::string, std::string>> entriesOf(const fs::path& file) {
    std::vector<std::pair<std::string, std::string>> out;
    int err = 0;
    zip_t* z = zip_open(file.string().c_str(), ZIP_RDONLY, &err);
    if (z == nullptr) {
        return out;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
        std::string text(st.size, '\0');
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        zip_fread(f, text.data(), st.size);
        zip_fclose(f);
        out.emplace_back(st.name, std::move(text));
    }
    zip_discard(z);
    return out;
}

class WorkbookPackage : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        dir_ = fs::temp_directory_path() / ("tarnelo-package-test-" + std::to_string(getpid()) +
                                            "-" + std::to_string(counter++));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path writeZip(const std::string& name, const std::vector<Entry>& entries) {
        const fs::path file = dir_ / name;
        int err = 0;
        zip_t* z = zip_open(file.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        if (z == nullptr) {
            ADD_FAILURE() << "cannot make " << file;
            return file;
        }
        for (const Entry& e : entries) {
            zip_source_t* s = zip_source_buffer(z, e.bytes.data(), e.bytes.size(), 0);
            const zip_int64_t index = zip_file_add(z, e.name.c_str(), s, 0);
            EXPECT_GE(index, 0) << e.name;
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), e.method, e.level);
        }
        EXPECT_EQ(zip_close(z), 0);
        return file;
    }

    // Replaces every occurrence of from in the bytes of file (names in the local headers and
    // the central directory alike).
    static void patch(const fs::path& file, const std::string& from, const std::string& to) {
        std::string bytes = readAll(file);
        for (auto at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1)) {
            bytes.replace(at, from.size(), to);
        }
        writeAll(file, bytes);
    }

    // Opening must fail as a damaged workbook (or one too large, saying the limit), and
    // quickly: nothing is inflated first.
    static void expectDamaged(const fs::path& file, const std::string& said = "工作簿已损坏：") {
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        EXPECT_EQ(Workbook::open(file, error), nullptr);
        EXPECT_EQ(error.substr(0, said.size()), said);
        EXPECT_TRUE(error.ends_with("：" + file.string())) << error;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    }

    fs::path dir_;
};

TEST_F(WorkbookPackage, RefusesPartsThatInflateBeyondTheLimits) {
    {
        SCOPED_TRACE("a bomb larger than a part may be");
        auto entries = soundEntries();
        entries.push_back({"xl/media/bomb.bin", std::string(32 << 20, '\0')});
        expectDamaged(writeZip("bomb.xlsx", entries),
                      "工作簿太大，无法读取（部件 xl/media/bomb.bin 解压后 32 MiB，超过可读取的 8 "
                      "MiB）");
    }
    {
        SCOPED_TRACE("a part within the size limit that inflates more than a thousandfold");
        auto entries = soundEntries();
        entries.push_back({"xl/media/zeros.bin", std::string(4 << 20, '\0'), ZIP_CM_DEFLATE, 9});
        expectDamaged(writeZip("zeros.xlsx", entries));
    }
    {
        SCOPED_TRACE("parts that together are larger than a package may be");
        auto entries = soundEntries();
        for (int i = 0; i < 5; ++i) {
            entries.push_back(
                {"xl/media/big" + std::to_string(i) + ".bin", ordinaryText(15 << 20)});
        }
        expectDamaged(writeZip("total.xlsx", entries), "工作簿太大，无法读取（");
    }
    {
        SCOPED_TRACE("a part that inflates beyond the size its directory declares");
        auto entries = soundEntries();
        entries.push_back({"xl/media/liar.bin", std::string(4 << 20, 'x')});
        const fs::path file = writeZip("liar.xlsx", entries);
        // The central directory holds the last copy of the name; its header starts 46 bytes
        // before it, with the uncompressed size at offset 24.
        std::string bytes = readAll(file);
        const auto header = bytes.rfind("xl/media/liar.bin") - 46;
        ASSERT_EQ(bytes.compare(header, 4, "PK\x01\x02"), 0);
        bytes.replace(header + 24, 4, std::string("\x64\0\0\0", 4));
        writeAll(file, bytes);
        expectDamaged(file);
    }
}

TEST_F(WorkbookPackage, KeepsLargeOrdinaryParts) {
    auto entries = soundEntries();
    const std::string text = ordinaryText(3 << 20);
    entries.push_back({"xl/media/large.bin", text});
    std::string error;
    auto book = Workbook::open(writeZip("large.xlsx", entries), error);
    ASSERT_NE(book, nullptr) << error;
    ASSERT_TRUE(book->save(dir_ / "saved.xlsx", error)) << error;
    const auto saved = entriesOf(dir_ / "saved.xlsx");
    ASSERT_EQ(saved.size(), entries.size());
    EXPECT_EQ(saved.back().first, "xl/media/large.bin");
    EXPECT_EQ(saved.back().second, text);
}

TEST_F(WorkbookPackage, RefusesMoreEntriesThanATemplateHas) {
    auto entries = soundEntries();
    while (entries.size() < kMaxEntries) {
        entries.push_back(
            {"xl/media/n" + std::to_string(entries.size()) + ".bin", "x", ZIP_CM_STORE});
    }
    std::string error;
    EXPECT_NE(Workbook::open(writeZip("most.xlsx", entries), error), nullptr) << error;

    entries.push_back({"xl/media/one-too-many.bin", "x"});
    expectDamaged(writeZip("many.xlsx", entries),
                  "工作簿太大，无法读取（部件 2001 个，超过可读取的 2000 个）");
}

TEST_F(WorkbookPackage, RefusesEntryNamesOutsideThePackage) {
    // The last one is no UTF-8: a name in some other code page.
    for (const std::string name :
         {"../x", "/abs", "a\\b", "xl/../../evil.xml", "xl/..", "", "xl/\xff\xfe.xml"}) {
        SCOPED_TRACE("entry \"" + name + "\"");
        auto entries = soundEntries();
        entries.push_back({name, "x"});
        expectDamaged(writeZip("unsafe.xlsx", entries));
    }
    auto entries = soundEntries();
    entries.push_back({"xl/media/a..b.bin", "x"});
    entries.push_back({"xl/media/", ""});
    std::string error;
    auto book = Workbook::open(writeZip("dots.xlsx", entries), error);
    ASSERT_NE(book, nullptr) << error;
    ASSERT_TRUE(book->save(dir_ / "saved.xlsx", error)) << error;
    const auto saved = entriesOf(dir_ / "saved.xlsx");
    ASSERT_EQ(saved.size(), entries.size() - 1); // the folder entry is no part
    EXPECT_EQ(saved.back().first, "xl/media/a..b.bin");
}

TEST_F(WorkbookPackage, DuplicateEntriesKeepTheFirst) {
    auto entries = soundEntries();
    entries.push_back({"xl/media/one.bin", "first"});
    entries.push_back(
        {"xl/worksheets/sheetZ.xml",
         R"(<worksheet><sheetData><row r="1"><c r="A1"><v>2</v></c></row></sheetData></worksheet>)",
         ZIP_CM_STORE});
    entries.push_back({"xl/media/two.bin", "second", ZIP_CM_STORE});
    const fs::path file = writeZip("duplicate.xlsx", entries);
    patch(file, "xl/worksheets/sheetZ.xml", "xl/worksheets/sheet1.xml");
    patch(file, "xl/media/two.bin", "xl/media/one.bin");
    ASSERT_EQ(entriesOf(file).size(), entries.size());

    std::string error;
    auto book = Workbook::open(file, error);
    ASSERT_NE(book, nullptr) << error;
    EXPECT_EQ(book->cell(0, 1, 1).number, 1);
    ASSERT_TRUE(book->save(dir_ / "saved.xlsx", error)) << error;
    std::map<std::string, std::vector<std::string>> saved;
    for (const auto& [name, text] : entriesOf(dir_ / "saved.xlsx")) {
        saved[name].push_back(text);
    }
    EXPECT_EQ(saved.size(), entries.size() - 2);
    EXPECT_EQ(saved["xl/media/one.bin"], std::vector<std::string>{"first"});
    ASSERT_EQ(saved["xl/worksheets/sheet1.xml"].size(), 1u);
    EXPECT_NE(saved["xl/worksheets/sheet1.xml"][0].find("<v>1</v>"), std::string::npos);
}

// A sheet part named by many sheets would be parsed once for each: a 100 KB file could ask
// for gigabytes.
TEST_F(WorkbookPackage, RefusesSheetsSharingOnePart) {
    auto entries = soundEntries();
    entries[2].bytes = R"(<workbook xmlns:r="r"><sheets><sheet name="a" sheetId="1" r:id="rId1"/>)"
                       R"(<sheet name="b" sheetId="2" r:id="rId1"/></sheets></workbook>)";
    expectDamaged(writeZip("shared.xlsx", entries));
}

TEST_F(WorkbookPackage, SavingThroughASymbolicLinkWritesItsTarget) {
    const fs::path target = dir_ / "real.xlsx";
    const fs::path link = dir_ / "link.xlsx";
    writeAll(target, "old");
    fs::create_symlink(target, link);

    auto book = Workbook::blank();
    std::string error;
    ASSERT_TRUE(book->setText(0, 2, 3, "站名", error)) << error;
    ASSERT_TRUE(book->save(link, error)) << error;
    EXPECT_FALSE(book->modified());
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
    auto again = Workbook::open(target, error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(again->cell(0, 2, 3).text, "站名");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2)
        << "no temporary file is left beside the target";
}

TEST_F(WorkbookPackage, FailedSaveLeavesNothingAndKeepsTheChanges) {
    auto book = Workbook::blank();
    std::string error;
    ASSERT_TRUE(book->setNumber(0, 1, 1, 5, error)) << error;
    const fs::path file = dir_ / "missing-folder" / "book.xlsx";
    EXPECT_FALSE(book->save(file, error));
    EXPECT_EQ(error, "无法写入文件：" + file.string());
    EXPECT_TRUE(book->modified());
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST(WorkbookNumberText, MatchesPrintfWithThirteenDigits) {
    for (const double x : {1.0,
                           42.0,
                           -7.0,
                           0.7,
                           0.75,
                           1e-7,
                           123456789012345.0,
                           1234567890123.0,
                           0.1 + 0.2,
                           1.0 / 3,
                           -123.456,
                           1e13,
                           1e12,
                           999999999999.95,
                           2.5e-300,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(),
                           1048576.0,
                           0.0001,
                           0.00001}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.13g", x);
        EXPECT_EQ(numberText(x), expected) << expected;
    }
    EXPECT_EQ(numberText(0.0), "0");
    EXPECT_EQ(numberText(-0.0), "0");
}

TEST(WorkbookNumberText, ReadsTheLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"12.5", 12.5}, {"  -3e2x", -300}, {"+.5", 0.5},  {"5.", 5},  {"1,5", 1},
        {"2e", 2},      {"2e+", 2},        {"0x1A", 0},   {"abc", 0}, {"", 0},
        {"inf", 0},     {"nan", 0},        {"1e-400", 0}, {"-.", 0},  {"\t7", 7},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(numberOf(text), value) << text;
    }
    EXPECT_EQ(numberOf("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(numberOf("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(numberOf("0.000e999999999999"), 0);
}

TEST_F(WorkbookPackage, SavedNumbersAreTheirThirteenDigitTexts) {
    auto book = Workbook::blank();
    std::string error;
    const double values[] = {0.1 + 0.2, -0.0, 1e-7, 123456789012345.0, 0.75};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(book->setNumber(0, i + 1, 1, values[i], error)) << error;
    }
    ASSERT_TRUE(book->save(dir_ / "numbers.xlsx", error)) << error;
    std::string sheet;
    for (const auto& [name, text] : entriesOf(dir_ / "numbers.xlsx")) {
        if (name == "xl/worksheets/sheet1.xml") {
            sheet = text;
        }
    }
    std::string found;
    for (auto at = sheet.find("<v>"); at != std::string::npos; at = sheet.find("<v>", at + 1)) {
        found += sheet.substr(at + 3, sheet.find("</v>", at) - at - 3) + ";";
    }
    EXPECT_EQ(found, "0.3;0;1e-07;1.234567890123e+14;0.75;");
    auto again = Workbook::open(dir_ / "numbers.xlsx", error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(again->cell(0, 3, 1).number, 1e-7);
}

} // namespace
} // namespace tarnelo::xlsx
