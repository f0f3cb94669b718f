#include "station/station_gauging.hpp"
#include "window/program_paths.hpp"

#include "compute/compute.hpp"
#include "compute/gauge_stage.hpp"
#include "compute/numtext.hpp"
#include "compute/section.hpp"
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "files/gbk.hpp"

#include <algorithm>
#include <cmath>

namespace tarnelo::station {

namespace {

// Larger files are no raw data files (the window refuses them too).
constexpr std::size_t kLargestFile = std::size_t(16) << 20;

std::string inQuotes(std::string_view text) {
    return "“" + std::string(text) + "”";
}

} // namespace

StationGauging computeGauging(std::string_view bytes, const std::filesystem::path& name,
                              ThreePointRule threePoint) {
    StationGauging g;
    g.file = name;
    const std::string fileName = inQuotes(escapedName(name.filename()));
    std::optional<std::string> converted;
    if (ForeignForm foreign = recogniseForeignForm(bytes); !foreign.description.empty()) {
        g.foreignForm = foreign.description;
        if (!foreign.converted) {
            g.message = "文件" + fileName + foreign.description + "，其中有 GBK 无法表示的字符。";
            return g;
        }
        converted = std::move(foreign.converted);
        bytes = *converted;
    }
    const RawDataRead read = parseRawData(bytes);
    if (!read.tagged) {
        g.message = "文件" + fileName + "不是流速仪原始数据文件（开头没有“流速仪原始数据”）。";
        return g;
    }
    if (!read.refusal.empty()) {
        g.message = "文件" + fileName + read.refusal;
        return g;
    }
    g.mode = read.data.mode;
    if (read.data.header) {
        const RecordHeader header = parseRecordHeader(*read.data.header);
        std::size_t index = 0;
        for (const auto& line : header) {
            for (const auto& value : line) {
                if (index < g.header.size()) {
                    g.header[index++] = hasValue(value) ? value : std::string();
                }
            }
        }
    }
    if (g.mode == RawData::Mode::Unknown) {
        g.status = StationGauging::Status::Incomplete;
        g.message = "文件" + fileName + "没有录入模式（垂线模式或测速模式），无法计算。";
        return g;
    }

    Gauging gauging = gaugingFromRawData(read.data);
    gauging.threePoint = threePoint;
    const Computation computed = compute(gauging);
    g.findings = computed.findings;
    switch (computed.status) {
    case Computation::Status::Computed:
        g.status = StationGauging::Status::Computed;
        break;
    case Computation::Status::Refused:
        g.status = StationGauging::Status::Refused;
        g.message = computed.message;
        break;
    case Computation::Status::Incomplete:
        g.status = StationGauging::Status::Incomplete;
        g.message = computed.message;
        break;
    }
    if (!read.data.problems.empty()) {
        std::string what = "文件" + fileName + "不完整：";
        for (std::size_t i = 0; i < read.data.problems.size(); ++i) {
            what += (i == 0 ? "" : "；") + read.data.problems[i];
        }
        what += "。";
        g.message = what + (g.message.empty() ? "" : " " + g.message);
        if (g.status == StationGauging::Status::Computed) {
            g.status = StationGauging::Status::Incomplete;
        }
    }
    g.results = computed.results;
    g.velocityVerticals = computed.section.velocityVerticalCount();
    const Table& table = computed.table;
    double discharge = 0.0;
    double area = 0.0;
    for (int r = 0; r < table.rowCount(); ++r) {
        g.velocityPoints += table.filled(r, col::测点流速) ? 1 : 0;
        // Added as the computation adds them, to thirteen digits.
        discharge =
            num::thirteenDigitValue(discharge + num::numberOf(table.cell(r, col::部分流量)));
        area = num::thirteenDigitValue(area + num::numberOf(table.cell(r, col::部分)));
    }
    if (g.status == StationGauging::Status::Computed) {
        g.uncertainty = computed.uncertainty;
        g.dischargeSum = discharge;
        g.areaSum = area;
    }
    return g;
}

StationGauging readGauging(const std::filesystem::path& file, ThreePointRule threePoint) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() != std::filesystem::file_type::regular) {
        StationGauging g;
        g.file = file;
        g.message = "“" + escapedName(file.filename()) + "”" +
                    (status.type() == std::filesystem::file_type::not_found ? "不存在。"
                                                                            : "不是普通文件。");
        return g;
    }
    const auto bytes = readFileBytes(file, kLargestFile);
    if (!bytes) {
        StationGauging g;
        g.file = file;
        g.message = "无法读取文件“" + escapedName(file.filename()) + "”（或文件太大）。";
        return g;
    }
    return computeGauging(*bytes, file, threePoint);
}

BaseStage baseStage(const StationGauging& gauging) {
    BaseStage stage;
    const std::string& typed = gauging.field(hdr::相应水位);
    if (!typed.empty()) {
        const double value = num::numberOf(typed);
        if (!std::isfinite(value) || !num::isWholeNumber(typed)) {
            stage.problem = "相应水位“" + typed + "”不是数字";
            return stage;
        }
        stage.metres = value;
        stage.text = typed;
        return stage;
    }
    const std::string& from = gauging.field(hdr::基本水尺读数始);
    const std::string& to = gauging.field(hdr::基本水尺读数终);
    const std::string& zero = gauging.field(hdr::基本水尺零点高程);
    if (from.empty() || to.empty() || zero.empty()) {
        stage.problem = "相应水位为空，基本水尺读数（始、终）或零点高程也不全，没有水位";
        return stage;
    }
    if (!num::isWholeNumber(from) || !num::isWholeNumber(to) || !num::isWholeNumber(zero)) {
        stage.problem = "相应水位为空，基本水尺读数或零点高程不是数字，没有水位";
        return stage;
    }
    stage.text = gaugeStage(from, to, zero).stage;
    stage.metres = num::numberOf(stage.text);
    stage.fromGauge = true;
    return stage;
}

std::optional<double> gaugeChange(const StationGauging& gauging) {
    const std::string& from = gauging.field(hdr::基本水尺读数始);
    const std::string& to = gauging.field(hdr::基本水尺读数终);
    if (from.empty() || to.empty() || !num::isWholeNumber(from) || !num::isWholeNumber(to)) {
        return std::nullopt;
    }
    return num::numberOf(to) - num::numberOf(from);
}

} // namespace tarnelo::station

namespace tarnelo::station {

std::optional<std::string> gaugingFileBytes(const RawInput& input,
                                            const std::array<std::string, 39>& header) {
    if (rawDataProblem(input) || recordHeaderProblem(header)) {
        return std::nullopt;
    }
    return utf8ToGbk(rawDataText(input) + std::string(kRawDataSeparator) +
                     recordHeaderText(header));
}

} // namespace tarnelo::station
