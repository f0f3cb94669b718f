// Reads arbitrary bytes as a raw data file and puts them into a window. Whatever the reader
// accepts and the writer can carry must come back cell for cell when written and read again.
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "files/gbk.hpp"
#include "files/raw_data_file.hpp"
#include "support/headless_window.hpp"

#include <cstdint>
#include <string_view>

using namespace tarnelo;

namespace {

void fill(HeadlessWindow& window, const RawData& data) {
    layoutSheet(window);
    fillFromRawData(window, data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const RawDataRead read = parseRawData(input);
    if (!read.tagged || !read.refusal.empty()) {
        return 0;
    }
    if (read.data.rows > kMostRawDataRows || read.data.coefficients.size() > 6) {
        __builtin_trap();
    }
    HeadlessWindow window("/nonexistent");
    fill(window, read.data);
    if (window.sheet().rowCount() < Sheet::kInitialRows ||
        static_cast<std::size_t>(window.sheet().rowCount()) <
            std::min<std::size_t>(read.data.rows, kMostRawDataRows)) {
        __builtin_trap();
    }
    if (read.data.mode == RawData::Mode::Unknown || rawDataProblem(window)) {
        return 0;
    }
    const auto again = utf8ToGbk(rawDataText(window) + "\r\n\r\n");
    if (!again) {
        __builtin_trap();
    }
    const RawDataRead reread = parseRawData(*again);
    if (!reread.tagged || !reread.refusal.empty() || !reread.data.problems.empty()) {
        __builtin_trap();
    }
    HeadlessWindow copy("/nonexistent");
    fill(copy, reread.data);
    for (int r = 0; r < window.sheet().rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            if (window.sheet().cell(r, c) != copy.sheet().cell(r, c)) {
                __builtin_trap();
            }
        }
    }
    for (const auto& [field, name, label] : kCoefficientFields) {
        if (window.text(field) != copy.text(field)) {
            __builtin_trap();
        }
    }
    return 0;
}
