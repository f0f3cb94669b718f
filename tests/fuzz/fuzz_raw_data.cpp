// Reads arbitrary bytes as a raw data file and into a gauging. Whatever the reader accepts and
// the writer can carry must come back cell for cell when written and read again.
#include "files/gauging_file.hpp"
#include "files/gbk.hpp"
#include "files/raw_data_file.hpp"
#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <algorithm>
#include <cstdint>
#include <string_view>

using namespace tarnelo;

namespace {

constexpr std::size_t kNewSheetRows = 20;

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
    if (read.data.mode == EntryMode::Unknown) {
        return 0;
    }
    const std::size_t rows = read.data.rows;
    Gauging gauging = gaugingFromRawData(read.data);
    if (gauging.rows.size() < std::min<std::size_t>(rows, kMostRawDataRows)) {
        __builtin_trap();
    }
    // Written as the window writes it: never fewer rows than a new sheet has (a file written
    // with no rows at all reads back without its columns).
    if (gauging.rows.size() < kNewSheetRows) {
        gauging.rows.resize(kNewSheetRows);
    }
    if (rawDataProblem(gauging)) {
        return 0;
    }
    const auto again = gaugingFileBytes(gauging, "").bytes;
    if (!again) {
        __builtin_trap();
    }
    const RawDataRead reread = parseRawData(*again);
    if (!reread.tagged || !reread.refusal.empty() || !reread.data.problems.empty()) {
        __builtin_trap();
    }
    const Gauging copy = gaugingFromRawData(reread.data);
    if (copy.mode != gauging.mode || copy.coefficients != gauging.coefficients) {
        __builtin_trap();
    }
    const Table first = typedTable(gauging);
    const Table second = typedTable(copy);
    for (int r = 0; r < std::max(first.rowCount(), second.rowCount()); ++r) {
        for (int c = 0; c < kRecordColumns; ++c) {
            if (first.cell(r, c) != second.cell(r, c)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
