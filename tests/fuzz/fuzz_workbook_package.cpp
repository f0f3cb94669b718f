// Whole package files, as a damaged or crafted template would be: opening either fails with a
// reason or gives a workbook whose cells can be read, written and saved, and the saved file
// opens again. The seed corpus holds the two real templates, a zip bomb and entries with names
// that point out of the package.
#include "platform/workbook/workbook.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace tarnelo;

namespace {

const std::filesystem::path& scratch() {
    static const std::filesystem::path folder = [] {
        std::string pattern = "/tmp/tarnelo-fuzz-package-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::filesystem::path file = scratch() / "book.xlsx";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    }
    std::string error;
    auto book = xlsx::Workbook::open(file, error);
    if (!book) {
        if (error.empty()) {
            __builtin_trap(); // a refusal always says why
        }
        return 0;
    }
    for (int sheet = 0; sheet < book->sheetCount() && sheet < 4; ++sheet) {
        if (!book->isWorksheet(sheet)) {
            continue;
        }
        const xlsx::Area used = book->usedRange(sheet);
        (void)book->cell(sheet, used.top, used.left);
        book->setText(sheet, 2, 3, "五里河", error);
        book->setNumber(sheet, 3, 3, 37.4, error);
    }
    const std::filesystem::path saved = scratch() / "saved.xlsx";
    if (book->save(saved, error)) {
        std::string again;
        if (!xlsx::Workbook::open(saved, again)) {
            __builtin_trap(); // what the engine saves, it opens
        }
    }
    return 0;
}
