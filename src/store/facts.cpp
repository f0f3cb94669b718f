#include "store/facts.hpp"

#include "measure/numtext.hpp"
#include "station/station_table.hpp"
#include "window/program_paths.hpp"

namespace tarnelo::store {

namespace {

std::string statusOf(station::StationGauging::Status status) {
    switch (status) {
    case station::StationGauging::Status::Computed:
        return "computed";
    case station::StationGauging::Status::Incomplete:
        return "incomplete";
    case station::StationGauging::Status::Refused:
        return "refused";
    case station::StationGauging::Status::NotAGauging:
        break;
    }
    return "unreadable";
}

// A figure the national layout reads as a number: kept only when it is one.
std::string numberOnly(const std::string& text) {
    return num::isWholeNumber(text) ? text : std::string();
}

bool digitsOnly(std::string_view text) {
    return !text.empty() && text.size() <= 9 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

Facts factsOf(std::string_view bytes, std::string_view name) {
    namespace hdr = station::hdr;
    station::StationGauging g =
        station::computeGauging(bytes, paths::fromUtf8(std::string(name) + ".dat"));
    Facts facts;
    facts.status = statusOf(g.status);
    facts.errors = countSeverity(g.findings, Finding::Severity::Error);
    facts.notices = countSeverity(g.findings, Finding::Severity::Notice);
    if (g.status == station::StationGauging::Status::NotAGauging) {
        facts.problem = g.message;
        return facts;
    }
    facts.stationName = g.field(hdr::测站名称);
    facts.number = g.field(hdr::施测号数);
    if (digitsOnly(facts.number)) {
        facts.qobno = static_cast<std::int64_t>(num::numberOf(facts.number));
    }
    const station::MeasuredTimeRead time = station::readMeasuredTime(g.field(hdr::施测时间));
    if (time.time) {
        facts.year = time.time->start.year;
        facts.start = station::isoText(time.time->start);
        facts.end = station::isoText(time.time->end);
    }
    facts.place = g.field(hdr::断面位置);
    facts.slope = numberOnly(g.field(hdr::水面比降));
    facts.roughness = numberOnly(g.field(hdr::糙率));
    for (std::size_t i = 0; i < facts.results.size(); ++i) {
        facts.results[i] = numberOnly(g.results[i]);
    }
    facts.stage = numberOnly(station::baseStage(g).text);
    station::TableRow row;
    station::EntryNotes notes;
    station::tableEntry(std::move(g), std::nullopt, row, notes);
    facts.method = row.method;
    facts.remarks = row.remarks;
    return facts;
}

std::string statusWords(std::string_view status) {
    if (status == "computed") {
        return "已计算";
    }
    if (status == "incomplete") {
        return "不完整";
    }
    return status == "refused" ? "无法计算" : "无法读取";
}

} // namespace tarnelo::store
