#include "station/station_gauging.hpp"
#include "window/program_paths.hpp"

#include "compute/compute.hpp"
#include "compute/gauge_stage.hpp"
#include "files/file_io.hpp"
#include "files/open_gauging.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "measure/section.hpp"

#include <algorithm>
#include <cmath>

namespace tarnelo::station {

namespace {

// The door's message on one line, for a table's list of problems: the lines of what a file
// lacks run on after their "：" and "；", the computation's reason follows after a space.
std::string oneLine(const std::string& message) {
    std::string line;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] != '\n') {
            line += message[i];
        } else if (!line.ends_with("：") && !line.ends_with("；")) {
            line += ' ';
        }
    }
    return line;
}

StationGauging fromOpened(FileComputation opened, const std::filesystem::path& file) {
    StationGauging g;
    g.file = file;
    g.message = oneLine(opened.message);
    g.foreignForm = std::move(opened.foreignForm);
    if (!opened.opened) {
        return g;
    }
    g.mode = opened.fileMode;
    const RecordHeader header = parseRecordHeader(opened.gauging.headerPart);
    std::size_t index = 0;
    for (const auto& line : header) {
        for (const auto& value : line) {
            if (index < g.header.size()) {
                g.header[index++] = hasValue(value) ? value : std::string();
            }
        }
    }
    switch (opened.status) {
    case FileComputation::Status::Computed:
        g.status = StationGauging::Status::Computed;
        break;
    case FileComputation::Status::Refused:
        g.status = StationGauging::Status::Refused;
        break;
    case FileComputation::Status::Incomplete:
    case FileComputation::Status::Unreadable:
        g.status = StationGauging::Status::Incomplete;
        break;
    }
    const Computation& computed = opened.computation;
    g.findings = computed.findings;
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

OpenOptions openOptions(ThreePointRule threePoint) {
    OpenOptions options;
    options.threePoint = threePoint;
    return options;
}

} // namespace

StationGauging computeGauging(std::string_view bytes, const std::filesystem::path& name,
                              ThreePointRule threePoint) {
    return fromOpened(
        openGaugingBytes(bytes, paths::toUtf8(name.filename()), openOptions(threePoint)), name);
}

StationGauging readGauging(const std::filesystem::path& file, ThreePointRule threePoint) {
    return fromOpened(openGauging(file, openOptions(threePoint)), file);
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
