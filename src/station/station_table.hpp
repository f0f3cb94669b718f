// 实测流量成果表: the gaugings of one station and one year, one row each, ordered by 施测时间
// then 施测号数, with every file that cannot take part listed with its reason.
#pragma once

#include "station/measured_time.hpp"
#include "station/station_gauging.hpp"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::station {

struct TableRow {
    std::filesystem::path file;
    std::string number; // 施测号数
    MeasuredTime time;
    std::string place;  // 断面位置
    std::string method; // 测验方法
    // The counts 测验方法 gives: velocity verticals, and whether the velocities were typed.
    int verticals = 0;
    bool velocityMode = false;
    BaseStage stage; // 基本水尺水位
    // 流量, 断面面积, 平均流速, 最大流速, 水面宽, 平均水深, 最大水深 as the form prints them.
    std::array<std::string, 7> results;
    // What 流量 and 断面面积 were rounded from (StationGauging::dischargeSum, areaSum).
    std::optional<double> dischargeSum;
    std::optional<double> areaSum;
    std::string slope;     // 水面比降 (‱)
    std::string roughness; // 糙率
    // 附注: the record header's 说明, then what the program found, each after a "；".
    std::string remarks;
    // The record header's 说明 alone (the start of remarks): the yearbook's 附注.
    std::string stated;
    // Expanded uncertainty (95 %) of the discharge in percent, by IVE and by ISO 748.
    std::optional<double> ive;
    std::optional<double> iso748;
    // The base gauge's reading at the end less the one at the start (m), when both are numbers:
    // whether the stage rose or fell during the gauging.
    std::optional<double> stageChange;
    // What the file itself makes doubtful about the row's stage or discharge (a 相应水位 that
    // disagrees with the readings, a stage change too large for a plain mean, 注意 findings),
    // for naming the likely reason of an outlier; a subset of remarks.
    std::vector<std::string> doubts;

    std::optional<double> discharge() const;
};

struct TableProblem {
    std::filesystem::path file;
    std::string reason;
    // Whether the file still has its row in the table (a repeated 施测号数, a converted file).
    bool kept = false;
};

struct StationTable {
    std::string station;
    int year = 0;
    std::vector<TableRow> rows;
    std::vector<TableProblem> problems;
};

// Builds the table from computed gaugings. year (--year) chooses the year; without it the year
// is the one most gaugings name. The station is the one most gaugings name. Beside the files left
// out, the sheet 问题 lists what a reviewer of the year would ask about a row that stays in:
// a 相应水位 that disagrees with the base gauge, a stage change too large for a plain mean, a
// 施测时间 without its time of day or its year, and 施测号数 repeated, missing or out of time
// order; the row's 附注 says the same in short.
// stopped is asked between gaugings; once it says yes the table is given up half-built.
StationTable buildStationTable(const std::vector<StationGauging>& gaugings,
                               std::optional<int> year = std::nullopt,
                               const std::function<bool()>& stopped = {});

// A discharge or an area as the yearbook prints it: three significant figures (at most three
// decimals for discharge, two for area, which the graded texts already keep). The graded text of
// a value of 1000 or more is rounded half to even to three figures ("1239" -> "1240",
// "1245" -> "1240", "12345" -> "12300"); any other text is returned as it is. Only for a figure
// whose unrounded value is unknown: rounding a rounded text again can be a unit off in the third
// figure ("1935" from 1934.561 gives "1940"); num::yearbookText rounds the value once.
std::string yearbookFigure(std::string_view graded);

// 流量 and 断面面积 of a row as the yearbook prints them: rounded once from the sums, or from
// the form's texts when the sums are not known.
std::string yearbookDischarge(const TableRow& row);
std::string yearbookArea(const TableRow& row);

// "<测站名称> <年> 年实测流量成果表".
std::string tableTitle(const StationTable& table);

// The headings of the table's columns, units included, in order.
struct TableColumn {
    std::string_view group; // the upper heading cell ("施测时间"), or empty
    std::string_view name;  // "月", "基本水尺水位"
    std::string_view unit;  // "m", "m³/s", empty for none
};
std::span<const TableColumn> tableColumns();
// The texts of a row, one per column of tableColumns().
std::vector<std::string> rowTexts(const TableRow& row);
// What the program found about a row: its 附注 after the record header's 说明.
std::string foundRemarks(const TableRow& row);

// What the table keeps of each gauging, made as soon as the gauging is read so that a year of
// many thousand files never holds their gaugings: the row as far as the gauging alone tells it
// (its 附注 stops before the notes on 施测时间 and the count of notices), and beside it what is
// decided once every gauging is in (the station and year most name, a 施测时间 without year).
struct EntryNotes {
    std::string station;  // 测站名称, empty when not written
    std::string timeText; // 施测时间 as written
    // 施测时间 read with the year given (--year), else without one.
    MeasuredTimeRead time;
    // Why the gauging takes no part, whatever the year: not computed, or an error found.
    std::string leftOut;
    // A stage beyond the plausible, said once the gauging is of the table's station and year.
    std::string stageBeyond;
    // What the sheet 问题 lists of a gauging that keeps its row, in order.
    std::vector<std::string> kept;
    int notices = 0;
};
// One row and one EntryNotes per gauging, in the order of the files.
struct TableEntries {
    std::vector<TableRow> rows;
    std::vector<EntryNotes> notes;
};
// The gauging's file name is moved into the row.
void tableEntry(StationGauging&& gauging, std::optional<int> year, TableRow& row,
                EntryNotes& notes);

// The table of the entries, as buildStationTable makes it of the gaugings they were made of;
// the kept rows are moved, not copied.
StationTable tableOfEntries(TableEntries entries, std::optional<int> year = std::nullopt,
                            const std::function<bool()>& stopped = {});

// Reads, computes and tables the files, in their order, on as many threads as the machine has
// cores, keeping of each gauging only its entry. stopped is asked before each file; once it says
// yes no further file is read and the table is given up half-built (the caller writes nothing).
StationTable readStationTable(std::vector<std::filesystem::path> files,
                              std::optional<int> year = std::nullopt,
                              const std::function<bool()>& stopped = {},
                              ThreePointRule threePoint = ThreePointRule::Equal);

// The same for gaugings read by read(i), i from 0 to count - 1, from wherever they are kept;
// read is called on several threads at once, each i once, and so is stopped.
StationTable readStationTable(std::size_t count,
                              const std::function<StationGauging(std::size_t)>& read,
                              std::optional<int> year = std::nullopt,
                              const std::function<bool()>& stopped = {});

// The largest stage (m, either sign) a gauging may give: beyond it 相应水位 is taken for a
// typing error and the gauging is left out (经验值: the highest gauges on earth read a few
// thousand metres).
inline constexpr double kMostStage = 10000.0;

// Files named on the command line or found in folders (the .dat files directly inside, sorted
// by name), as the table reads them.
std::vector<std::filesystem::path> gaugingFiles(const std::vector<std::filesystem::path>& paths,
                                                std::vector<TableProblem>& problems);

} // namespace tarnelo::station
