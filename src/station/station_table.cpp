#include "station/station_table.hpp"

#include "measure/numtext.hpp"
#include "station/table_checks.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace tarnelo::station {

namespace {

constexpr std::array<TableColumn, 20> kColumns{{
    {"", "施测号数", ""},
    {"施测时间", "月", ""},
    {"施测时间", "日", ""},
    {"施测时间", "起", "时:分"},
    {"施测时间", "讫", "时:分"},
    {"", "断面位置", ""},
    {"", "测验方法", ""},
    {"", "基本水尺水位", "m"},
    {"", "流量", "m³/s"},
    {"", "断面面积", "m²"},
    {"", "平均流速", "m/s"},
    {"", "最大流速", "m/s"},
    {"", "水面宽", "m"},
    {"", "平均水深", "m"},
    {"", "最大水深", "m"},
    {"", "水面比降", "‱"},
    {"", "糙率", ""},
    {"", "附注", ""},
    {"不确定度（95%）", "IVE", "%"},
    {"不确定度（95%）", "ISO 748", "%"},
}};

std::string inQuotes(std::string_view text) {
    return "“" + std::string(text) + "”";
}

// The most frequent value (the first met among equals); empty when there is none.
template <typename T> std::optional<T> majority(const std::vector<T>& values) {
    std::map<T, int> counts;
    std::optional<T> best;
    int most = 0;
    for (const T& value : values) {
        const int count = ++counts[value];
        if (count > most) {
            most = count;
            best = value;
        }
    }
    return best;
}

// 施测号数 in number order when both are numbers, else in text order.
bool numberBefore(const std::string& a, const std::string& b) {
    const bool an = num::isWholeNumber(a);
    const bool bn = num::isWholeNumber(b);
    if (an && bn) {
        return num::numberOf(a) < num::numberOf(b);
    }
    if (an != bn) {
        return an;
    }
    return a < b;
}

// "流速仪 7/7": the velocity verticals and their points, and the mode the points were typed in
// when it was 测速模式 (point velocities typed, not revolutions and times).
std::string methodText(const StationGauging& g) {
    return "流速仪 " + std::to_string(g.velocityVerticals) + "/" +
           std::to_string(g.velocityPoints) +
           (g.mode == EntryMode::Velocity ? " 测速模式" : "");
}

// Where the year of a 施测时间 written without one came from, for the row and the sheet 问题.
void noteYearTaken(TableRow& row, std::vector<TableProblem>& problems, const std::string& text,
                   std::optional<int> given, std::optional<int> written) {
    const std::string year = std::to_string(row.time.start.year);
    const std::string taken =
        given ? "按 --year " + year + " 列入" : "按多数文件的 " + year + " 年列入";
    appendRemark(row.remarks, "施测时间未写年份，" + taken);
    std::string reason = "施测时间" + inQuotes(text) + "未写年份，" + taken;
    if (given && written && *written != *given) {
        reason += "；同批其他文件多为 " + std::to_string(*written) + " 年，请核对";
    }
    problems.push_back({row.file, std::move(reason), true});
}

} // namespace

std::optional<double> TableRow::discharge() const {
    if (!num::isWholeNumber(results[0])) {
        return std::nullopt;
    }
    return num::numberOf(results[0]);
}

std::span<const TableColumn> tableColumns() {
    return kColumns;
}

std::string yearbookFigure(std::string_view graded) {
    const bool negative = !graded.empty() && graded.front() == '-';
    const std::string_view digits = graded.substr(negative ? 1 : 0);
    if (digits.size() < 4 || digits.front() == '0' ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::string(graded);
    }
    std::string kept(digits.substr(0, 3));
    const std::string_view rest = digits.substr(3);
    const bool overHalf =
        rest.front() > '5' ||
        (rest.front() == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
    const bool half = rest.front() == '5' && !overHalf;
    if (overHalf || (half && (kept.back() - '0') % 2 == 1)) {
        int i = 2;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') {
            kept[static_cast<std::size_t>(i--)] = '0';
        }
        if (i < 0) {
            kept.insert(kept.begin(), '1');
        } else {
            ++kept[static_cast<std::size_t>(i)];
        }
    }
    // A carry into a new first digit ("9995" -> "10000") keeps the length of the whole number.
    const std::size_t length = digits.size() + (kept.size() > 3 ? 1 : 0);
    kept.resize(length, '0');
    return (negative ? "-" : "") + kept;
}

std::string yearbookDischarge(const TableRow& row) {
    return row.dischargeSum ? num::yearbookText(*row.dischargeSum, num::Grade::Discharge)
                            : yearbookFigure(row.results[0]);
}

std::string yearbookArea(const TableRow& row) {
    return row.areaSum ? num::yearbookText(*row.areaSum, num::Grade::Area)
                       : yearbookFigure(row.results[1]);
}

std::string foundRemarks(const TableRow& row) {
    if (row.stated.empty() || row.remarks.rfind(row.stated, 0) != 0) {
        return row.remarks;
    }
    const std::string_view rest = std::string_view(row.remarks).substr(row.stated.size());
    constexpr std::string_view kSeparator = "；";
    return std::string(rest.starts_with(kSeparator) ? rest.substr(kSeparator.size()) : rest);
}

std::vector<std::string> rowTexts(const TableRow& row) {
    const LocalTime& start = row.time.start;
    const LocalTime& end = row.time.end;
    std::string until = clockText(end);
    if (end.hasTime() && (end.day != start.day || end.month != start.month)) {
        until = (end.month != start.month ? std::to_string(end.month) + "月" : std::string()) +
                std::to_string(end.day) + "日 " + until;
    }
    std::vector<std::string> texts{row.number,
                                   std::to_string(start.month),
                                   std::to_string(start.day),
                                   clockText(start),
                                   until,
                                   row.place,
                                   row.method,
                                   row.stage.text};
    texts.insert(texts.end(), row.results.begin(), row.results.end());
    // 流量 and 断面面积 as the yearbook prints them.
    texts[8] = yearbookDischarge(row);
    texts[9] = yearbookArea(row);
    texts.push_back(row.slope);
    texts.push_back(row.roughness);
    texts.push_back(row.remarks);
    texts.push_back(row.ive ? uncertaintyPercentText(*row.ive) : std::string());
    texts.push_back(row.iso748 ? uncertaintyPercentText(*row.iso748) : std::string());
    return texts;
}

std::string tableTitle(const StationTable& table) {
    return (table.station.empty() ? std::string("（测站名称空）") : table.station) + " " +
           std::to_string(table.year) + " 年实测流量成果表";
}

void tableEntry(StationGauging&& g, std::optional<int> year, TableRow& row, EntryNotes& e) {
    row.file = std::move(g.file);
    if (g.status != StationGauging::Status::Computed) {
        e.leftOut = g.message;
        if (e.leftOut.empty()) {
            e.leftOut = g.status == StationGauging::Status::NotAGauging ? "不是流速仪原始数据文件"
                                                                        : "未能计算";
        }
        return;
    }
    if (g.hasErrors()) {
        const int errors = countSeverity(g.findings, Finding::Severity::Error);
        const auto first = std::find_if(g.findings.begin(), g.findings.end(), [](const Finding& f) {
            return f.severity == Finding::Severity::Error;
        });
        e.leftOut =
            "检查发现 " + std::to_string(errors) + " 处错误（" + findingLine(*first) + "），未列入";
        return;
    }
    e.station = g.field(hdr::测站名称);
    e.timeText = g.field(hdr::施测时间);
    e.time = readMeasuredTime(e.timeText, year);
    row.number = g.field(hdr::施测号数);
    row.place = g.field(hdr::断面位置);
    row.method = methodText(g);
    row.verticals = g.velocityVerticals;
    row.velocityMode = g.mode == EntryMode::Velocity;
    row.stage = baseStage(g);
    if (row.stage.metres && std::abs(*row.stage.metres) > kMostStage) {
        e.stageBeyond = "错误：相应水位" + inQuotes(row.stage.text) + " m 超出 ±" +
                        num::plainText(kMostStage) + " m（经验值），应为录入错误，未列入";
        return;
    }
    row.results = g.results;
    row.dischargeSum = g.dischargeSum;
    row.areaSum = g.areaSum;
    row.slope = g.field(hdr::水面比降);
    row.roughness = g.field(hdr::糙率);
    row.ive = g.uncertainty.ive.percent;
    row.iso748 = g.uncertainty.iso748.percent;
    row.stageChange = gaugeChange(g);
    // The note on the record header comes first, then what the program has to say.
    if (!g.field(hdr::说明).empty()) {
        appendRemark(row.remarks, g.field(hdr::说明));
        row.stated = row.remarks;
    }
    if (e.station.empty()) {
        appendRemark(row.remarks, "表头无测站名称");
        e.kept.emplace_back("测站名称为空，按本站列入");
    }
    if (row.stage.fromGauge) {
        appendRemark(row.remarks, "水位由基本水尺读数计算");
    }
    if (!row.stage.problem.empty()) {
        appendRemark(row.remarks, "无水位");
        e.kept.push_back(row.stage.problem + "，已列入但不参加水位流量关系");
    }
    if (!g.foreignForm.empty()) {
        e.kept.push_back("文件" + g.foreignForm + "，按转换后的内容列入（原文件未改）");
    }
    for (StageDoubt& doubt : stageDoubts(g)) {
        appendRemark(row.remarks, doubt.remark);
        row.doubts.push_back(std::move(doubt.remark));
        e.kept.push_back(std::move(doubt.problem));
    }
    e.notices = countSeverity(g.findings, Finding::Severity::Notice);
}

StationTable tableOfEntries(TableEntries entries, std::optional<int> year,
                            const std::function<bool()>& stopped) {
    const auto stop = [&stopped] { return stopped && stopped(); };
    std::vector<TableRow>& rows = entries.rows;
    std::vector<EntryNotes>& notes = entries.notes;
    StationTable table;
    std::vector<int> years;
    std::vector<std::string_view> stations;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const EntryNotes& e = notes[i];
        if (!e.leftOut.empty()) {
            table.problems.push_back({rows[i].file, e.leftOut, false});
            continue;
        }
        if (e.time.time && e.time.time->yearInText) {
            years.push_back(e.time.time->start.year);
        }
        if (!e.station.empty()) {
            stations.push_back(e.station);
        }
    }
    // The year most files write, whatever year the table is of.
    const std::optional<int> writtenYear = majority(years);
    table.year = year ? *year : writtenYear.value_or(0);
    table.station = std::string(majority(stations).value_or(std::string_view()));

    // The rows that stay are moved forward in place: the table holds each row once.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (stop()) {
            return table;
        }
        EntryNotes& e = notes[i];
        TableRow& row = rows[i];
        if (!e.leftOut.empty()) {
            continue;
        }
        if (!e.time.time && !year && table.year != 0) {
            // A date without its year takes the year most gaugings name.
            e.time = readMeasuredTime(e.timeText, table.year);
        }
        if (!e.time.time) {
            table.problems.push_back({row.file, e.time.problem + "，未列入", false});
            continue;
        }
        if (!e.station.empty() && e.station != table.station) {
            table.problems.push_back({row.file,
                                      "测站名称" + inQuotes(e.station) + "与多数文件的" +
                                          inQuotes(table.station) + "不同，未列入",
                                      false});
            continue;
        }
        if (e.time.time->start.year != table.year) {
            table.problems.push_back({row.file,
                                      "施测时间" + inQuotes(e.timeText) + "不在 " +
                                          std::to_string(table.year) + " 年内，未列入",
                                      false});
            continue;
        }
        if (!e.stageBeyond.empty()) {
            table.problems.push_back({row.file, std::move(e.stageBeyond), false});
            continue;
        }
        row.time = *e.time.time;
        for (std::string& reason : e.kept) {
            table.problems.push_back({row.file, std::move(reason), true});
        }
        if (!row.time.start.hasTime()) {
            appendRemark(row.remarks, "施测时间无时分");
            table.problems.push_back(
                {row.file, "施测时间" + inQuotes(e.timeText) + "只有日期、没有时分，已列入", true});
        }
        if (!row.time.yearInText) {
            noteYearTaken(row, table.problems, e.timeText, year, writtenYear);
        }
        if (e.notices > 0) {
            const std::string words = "检查有 " + std::to_string(e.notices) + " 处注意";
            appendRemark(row.remarks, words);
            row.doubts.push_back(words);
        }
        if (kept != i) {
            rows[kept] = std::move(row);
        }
        ++kept;
    }
    std::vector<EntryNotes>().swap(notes);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(kept), rows.end());
    table.rows = std::move(rows);

    std::stable_sort(table.rows.begin(), table.rows.end(),
                     [](const TableRow& a, const TableRow& b) {
                         const long long ta = a.time.start.minutes();
                         const long long tb = b.time.start.minutes();
                         if (ta != tb) {
                             return ta < tb;
                         }
                         return numberBefore(a.number, b.number);
                     });
    if (!stop()) {
        checkNumbering(table);
    }
    return table;
}

StationTable buildStationTable(const std::vector<StationGauging>& gaugings, std::optional<int> year,
                               const std::function<bool()>& stopped) {
    TableEntries entries;
    entries.rows.resize(gaugings.size());
    entries.notes.resize(gaugings.size());
    for (std::size_t i = 0; i < gaugings.size(); ++i) {
        if (stopped && stopped()) {
            return {};
        }
        StationGauging g = gaugings[i];
        tableEntry(std::move(g), year, entries.rows[i], entries.notes[i]);
    }
    return tableOfEntries(std::move(entries), year, stopped);
}

} // namespace tarnelo::station
