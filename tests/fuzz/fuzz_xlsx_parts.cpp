// Puts arbitrary bytes into one part of an otherwise sound workbook (the first byte picks the
// part, its high bit asks for a save) and drives the spreadsheet host over it: opening either fails
// or gives a workbook whose cells can be read, written and saved, and saved files open again.
#include "platform/workbook/workbook.hpp"

#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

using namespace tarnelo;

namespace {

const std::map<std::string, std::string>& soundParts() {
    static const std::map<std::string, std::string> parts = {
        {"[Content_Types].xml",
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/></Types>)"},
        {"_rels/.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<workbook xmlns:r="r"><bookViews><workbookView activeTab="0"/></bookViews><sheets><sheet name="表" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="x/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<worksheet><sheetData><row r="1"><c r="A1" t="s" s="1"><v>0</v></c></row></sheetData></worksheet>)"},
        {"xl/sharedStrings.xml", R"(<sst><si><t>站</t></si></sst>)"},
    };
    return parts;
}

bool writeZip(const std::filesystem::path& file, const std::map<std::string, std::string>& parts) {
    int err = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (z == nullptr) {
        return false;
    }
    for (const auto& [name, text] : parts) {
        zip_source_t* s = zip_source_buffer(z, text.data(), text.size(), 0);
        if (s == nullptr || zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(s);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

// Two small files are written per run: memory-backed when the system offers it, and removed
// when the fuzzer ends.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path = base / ("tarnelo-fuzz-xlsx-" + std::to_string(getpid()));
        std::filesystem::create_directories(path, ec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const ScratchFolder scratch;
    const std::filesystem::path& dir = scratch.path;
    auto parts = soundParts();
    auto it = parts.begin();
    std::advance(it, bytes[0] % parts.size());
    it->second.assign(reinterpret_cast<const char*>(bytes + 1), size - 1);
    const auto in = dir / "in.xlsx";
    const auto out = dir / "out.xlsx";
    if (!writeZip(in, parts)) {
        return 0;
    }
    std::string error;
    auto book = xlsx::Workbook::open(in, error);
    if (!book) {
        return 0;
    }
    for (int s = 0; s < book->sheetCount(); ++s) {
        const xlsx::Area used = book->usedRange(s);
        book->cell(s, used.top, used.left);
        book->cell(s, used.bottom, used.right);
        book->setText(s, 2, 3, " 值 ", error);
        book->setText(s, used.bottom, used.right, "x", error);
        book->setFormula(s, 1, 27, "A1+1", error);
        book->merge(s, {4, 1, 4, 3}, error);
        book->setHeaderFooter(s, false, 1, "&P");
        book->setMargin(s, xlsx::Margin::Top, 0.5);
    }
    // Saving costs a file per run; the high bit of the first byte asks for it.
    if ((bytes[0] & 0x80) != 0 && book->save(out, error)) {
        auto again = xlsx::Workbook::open(out, error);
        if (!again || again->sheetCount() != book->sheetCount()) {
            __builtin_trap();
        }
        for (int s = 0; s < again->sheetCount(); ++s) {
            if (again->isWorksheet(s) && again->cell(s, 2, 3).text != " 值 ") {
                __builtin_trap();
            }
        }
    }
    return 0;
}
