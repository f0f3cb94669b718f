// Random gaugings through the computation, the check pass and both record-form fills: no
// crash, no "inf" or "nan" in a computed cell or result, every finding inside the table (with
// the further rows a finding tints), at most one finding on the share of the partials. The seed
// corpus holds the typos the checks look for: a comma in a number, a velocity over 10 m/s, a
// jump in 起点距, a depth out of line with its neighbours, lone points off 0.6 and "0" for the
// surface, no or few signals, a negative rating, slow and reverse velocities.
//
// Input: a first byte of flags (bit 0: 测速模式; bit 1: run the fills; bits 2–3: the station's
// class for the check pass, 0 for the default; bit 4: a starting velocity is set, bits 5–7 give
// it in steps of 0.05 m/s, 0 turning the check off), then lines: six coefficient texts, then one
// line per row with the typed cells 起点距, 水深, 相对, N, T and 测点流速 separated by '|'.
#include "checks/checks.hpp"
#include "compute/compute.hpp"
#include "files/record_header.hpp"
#include "report/record_form.hpp"
#include "support/scratch_program_folder.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using namespace tarnelo;

namespace {

constexpr std::size_t kMostRows = 64;
constexpr int kTyped[] = {col::起点距, col::水深, col::相对, col::N, col::T, col::测点流速};

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

bool badText(const std::string& text) {
    return text.find("inf") != std::string::npos || text.find("nan") != std::string::npos;
}

// A program folder with the two templates, made once for the run.
const std::filesystem::path& formFolder() {
    static const ScratchProgramFolder folder;
    static const bool prepared = [] {
        for (bool twoPages : {false, true}) {
            std::error_code ec;
            std::filesystem::copy_file(paths::formTemplate(TARNELO_PROGRAM_DIR, twoPages),
                                       paths::formTemplate(folder.path(), twoPages),
                                       std::filesystem::copy_options::overwrite_existing, ec);
        }
        return true;
    }();
    (void)prepared;
    return folder.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t flags = bytes[0];
    const std::string_view input(reinterpret_cast<const char*>(bytes + 1), size - 1);
    const std::vector<std::string_view> lines = split(input, '\n');

    Gauging gauging;
    gauging.mode = (flags & 1) != 0 ? EntryMode::Velocity : EntryMode::Vertical;
    for (std::size_t i = 0; i < kCoefficientCount && i < lines.size(); ++i) {
        gauging.coefficients[i] = lines[i];
    }
    for (std::size_t i = kCoefficientCount; i < lines.size(); ++i) {
        if (gauging.rows.size() >= kMostRows) {
            break;
        }
        GaugingRow& row = gauging.rows.emplace_back();
        const auto cells = split(lines[i], '|');
        for (std::size_t k = 0; k < cells.size() && k < std::size(kTyped); ++k) {
            setTypedText(row, kTyped[k], std::string(cells[k]));
        }
    }

    const Computation computed = compute(gauging);
    const Table& table = computed.table;
    const std::string& discharge = computed.result(res::断面流量);
    // The check pass again over the computed table, as it is and with the settings of the flags.
    CheckOptions options;
    if (const int stationClass = (flags >> 2) & 3; stationClass != 0) {
        options.stationClass = stationClass;
    }
    if ((flags & 16) != 0) {
        options.startingVelocity = 0.05 * ((flags >> 5) & 7);
    }
    const std::vector<Finding> again = checkMeasurement(gauging, table, discharge);
    const std::vector<Finding> withOptions = checkMeasurement(gauging, table, discharge, options);
    const bool velocity = (flags & 1) != 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (const ColumnRange range :
             velocity ? cols::kComputedVelocity : cols::kComputedVertical) {
            for (int c = range.first; c <= range.last; ++c) {
                if (badText(table.cell(r, c))) {
                    __builtin_trap();
                }
            }
        }
    }
    for (const std::string& result : computed.results) {
        if (badText(result)) {
            __builtin_trap();
        }
    }
    for (const std::vector<Finding>& findings : {computed.findings, again, withOptions}) {
        for (const Finding& f : findings) {
            const bool inTable =
                f.isCell() && f.row < table.rowCount() && f.column < kRecordColumns;
            const bool field = !f.isCell() && f.row == -1 && f.column == -1;
            if (!inTable && !field) {
                __builtin_trap();
            }
            if (f.reason.empty() || findingPlace(f).empty()) {
                __builtin_trap();
            }
            for (const int row : f.alsoRows) {
                if (!f.isCell() || row < 0 || row >= table.rowCount() || row == f.row) {
                    __builtin_trap();
                }
            }
        }
        const auto shares = std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
            return f.column == col::部分流量;
        });
        // Likewise one finding on the spacing of the velocity verticals.
        const auto spacings = std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
            return f.column == col::起点距 &&
                   f.reason.find("相邻测速垂线的间距") != std::string::npos;
        });
        if (shares > 1 || spacings > 1) {
            __builtin_trap();
        }
    }
    if ((flags & 2) != 0) {
        static const RecordHeader header = parseRecordHeader(kDefaultRecordHeader);
        const FormSheet form = formSheetOf(gauging, computed, header);
        for (bool twoPages : {false, true}) {
            FormPlace place;
            place.templateFile = paths::formTemplate(formFolder(), twoPages);
            place.workingCopy = paths::formWorkingCopy(formFolder(), twoPages);
            // The form filled in memory and packed as export writes it.
            const FilledForm filled = fillForm(form, place, twoPages);
            if (filled && !filled.workbook->packageBytes()) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
