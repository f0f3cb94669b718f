// One gauging read from its raw data file as plain data and computed with the computation of
// 计算: the typed input, the record header, the section results and their uncertainty. Batch
// work over a station's files reads them through here, one after another, without a window.
#pragma once

#include "checks/checks.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"
#include "gauging/gauging.hpp"
#include "uncertainty/uncertainty.hpp"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::station {

// Indexes (from 0) of the 39 record-header fields the station table reads.
namespace hdr {
inline constexpr std::size_t 测站名称 = 0;
inline constexpr std::size_t 施测时间 = 1;
inline constexpr std::size_t 断面位置 = 12;
inline constexpr std::size_t 相应水位 = 13;
inline constexpr std::size_t 水面比降 = 18;
inline constexpr std::size_t 糙率 = 19;
inline constexpr std::size_t 基本水尺读数始 = 21;
inline constexpr std::size_t 基本水尺读数终 = 22;
inline constexpr std::size_t 基本水尺零点高程 = 23;
inline constexpr std::size_t 说明 = 36;
inline constexpr std::size_t 施测号数 = 38;
} // namespace hdr

struct StationGauging {
    enum class Status {
        Computed,    // every section result was computed
        Incomplete,  // the input is short; the results are empty
        Refused,     // the computation refused the input; message says why
        NotAGauging, // not a raw data file, unreadable, or refused when opened
    };
    Status status = Status::NotAGauging;
    std::filesystem::path file;
    // Why the file is not a computed gauging, in the words the window uses.
    std::string message;
    // What differs from a file the program saved (another encoding, other line ends), and was
    // converted to read it; empty for the program's own form.
    std::string foreignForm;

    EntryMode mode = EntryMode::Unknown;
    // The 39 header fields, UTF-8, empty for "*".
    std::array<std::string, kRecordHeaderFields> header;
    // The seven section results as the form prints them (断面流量 ... 最大水深).
    std::array<std::string, 7> results;
    // The partial discharges and the partial areas added up: what 断面流量 and 断面面积 were
    // rounded from, and what the yearbook's three figures are rounded from, once.
    std::optional<double> dischargeSum;
    std::optional<double> areaSum;
    std::vector<Finding> findings;
    SectionUncertainty uncertainty;
    // The number of velocity verticals and the points (rows with a point velocity).
    int velocityVerticals = 0;
    int velocityPoints = 0;

    const std::string& field(std::size_t index) const { return header[index]; }
    bool hasErrors() const { return countSeverity(findings, Finding::Severity::Error) > 0; }
};

// Reads and computes the bytes of a raw data file; name is the file the bytes came from.
StationGauging computeGauging(std::string_view bytes, const std::filesystem::path& name,
                              ThreePointRule threePoint = ThreePointRule::Equal);

// Reads file (at most 16 MiB) and computes it, 三点法 weighed by threePoint. Never throws for a
// bad file.
StationGauging readGauging(const std::filesystem::path& file,
                           ThreePointRule threePoint = ThreePointRule::Equal);

// Where the table's 基本水尺水位 comes from.
struct BaseStage {
    std::optional<double> metres;
    // The stage as text: 相应水位 as typed, or the record form's 水位 of the base gauge
    // (gaugeStage: the mean of its readings as written, plus its zero).
    std::string text;
    // True when computed from the base gauge rather than read from 相应水位.
    bool fromGauge = false;
    // Why there is no stage; empty when there is one.
    std::string problem;
};
BaseStage baseStage(const StationGauging& gauging);

// The base gauge's reading at the end less the one at the start, in metres, when both are
// numbers.
std::optional<double> gaugeChange(const StationGauging& gauging);

} // namespace tarnelo::station
