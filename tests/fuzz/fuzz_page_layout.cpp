// Puts arbitrary bytes into one part of the one-page record form (the first byte picks the part)
// and lays out its printed pages: the reader and the layout either refuse the workbook with a
// reason or give pages, never crash, never read out of bounds, never outgrow the RSS limit its
// test sets.
#include "pages/sheet_layout.hpp"
#include "platform/workbook/package.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace tarnelo;

namespace {

const std::vector<xlsx::RawPart>& formParts() {
    static const std::vector<xlsx::RawPart> parts = [] {
        std::vector<xlsx::RawPart> read;
        std::string error;
        xlsx::readPackage(std::filesystem::path(TARNELO_PROGRAM_DIR) / "Data" / "moduleexcel_1.dat",
                          read, error);
        return read;
    }();
    return parts;
}

// The one file written per run: memory-backed when the system offers it, removed at the end.
struct Scratch {
    std::filesystem::path file;
    Scratch() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        file = base / ("tarnelo-fuzz-layout-" + std::to_string(::getpid()) + ".xlsx");
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove(file, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const kTargets[] = {"xl/worksheets/sheet1.xml", "xl/workbook.xml",
                                           "xl/styles.xml", "xl/sharedStrings.xml"};
    std::vector<xlsx::RawPart> parts = formParts();
    if (size < 1 || parts.empty()) {
        return 0;
    }
    const std::string target = kTargets[data[0] % 4];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    for (xlsx::RawPart& part : parts) {
        if (part.name == target) {
            part.bytes = bytes;
        }
    }
    static const Scratch scratch;
    std::string error;
    if (!xlsx::writePackage(scratch.file, parts, error)) {
        return 0;
    }
    const pages::Layout layout = pages::layoutWorkbook(scratch.file);
    if (layout.problem.empty() == layout.pages.empty()) {
        std::abort(); // pages or a reason, never both or neither
    }
    return 0;
}
