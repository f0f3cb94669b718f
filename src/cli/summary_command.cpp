// tarnelo-cli summary: 实测流量成果表 of a station's year from its raw data files.
#include "cli/output_guard.hpp"
#include "cli/station_input.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "files/file_io.hpp"
#include "measure/numtext.hpp"
#include "pages/page_painter.hpp"
#include "platform/system/scratch.hpp"
#include "report/rating_plot.hpp"
#include "report/station_workbook.hpp"
#include "window/program_paths.hpp"

#include <iostream>

namespace tarnelo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "用法 Usage: tarnelo-cli summary FILES|FOLDERS [--year Y] [-o TABLE.xlsx] [--pdf TABLE.pdf]\n"
    "       [--csv T.csv] [--json] [--force]\n"
    "       tarnelo-cli summary --store STORE [--station CODE] [--year Y] [-o TABLE.xlsx] ...\n\n"
    "读入一个测站的各次测验（流速仪原始数据文件，或文件夹中的 .dat 文件），逐个按“计算”计算，\n"
    "编制实测流量成果表：每次测验一行，按施测时间、施测号数排列；标题“<测站名称> <年> 年实测\n"
    "流量成果表”，A4 横向，每页重复表头，栏目同年鉴，附注只载记载表的说明。流量的 95% 不确定度\n"
    "（IVE、ISO 748）和本程序的检查所见在工作表“检查与不确定度”（JSON 的 remarks 含两者）。\n"
    "不是测验的文件、有错误的测验、重复的施测号数、测站名称与多数文件不同、不在该年内的测验\n"
    "都列在工作表“问题”和标准错误输出中，附有原因。列入的测验中，相应水位与基本水尺读数不符、\n"
    "测流期间水位变化过大不宜算术平均、施测时间无时分或未写年份、施测号数缺号或与时间顺序不符，\n"
    "也写在“问题”中（已列入）并简记于检查所见；测验方法写明测速垂线数/测点数（如“流速仪 7/7”）。\n"
    "  -o TABLE.xlsx  成果表工作簿 the table as a workbook\n"
    "  --pdf TABLE.pdf 成果表的打印页面，末页为水位流量关系图（本程序自行绘制）\n"
    "                  the printed pages and the relation picture as a PDF\n"
    "  --csv T.csv    UTF-8 CSV：time,stage,Q_form,uncertainty_ive_95,uncertainty_iso748_95\n"
    "                 （Q_form 为记载表上的断面流量，即定线所用的值，不是成果表按年鉴取的\n"
    "                 三位有效数字；流量的 95% 扩展不确定度，%，IVE 与 ISO 748 各一列）\n"
    "  --json         成果表写到标准输出 the table as JSON on stdout\n"
    "  --year Y       编表年份（缺省为多数测验的年份） the year (default: most gaugings')\n"
    "  --store STORE  从数据库读入（代替文件、文件夹）：SQLite 文件或 postgresql://…，见\n"
    "                 tarnelo-cli store --help；--station CODE 选测站（站码或站名），--year Y 选\n"
    "                 年份，数据库只有一个测站、一年时都可不写 read the year from a store\n"
    "  --three-point 3|4 三点法按 (V0.2+V0.6+V0.8)/3（缺省）或 ISO 748 的 (V0.2+2V0.6+V0.8)/4\n"
    "  --force        替换只读的输出文件 replace read-only outputs\n\n"
    "输出文件不能是输入文件之一；中断（Ctrl-C）时不写出任何文件。\n"
    "An output may not be one of the inputs; an interrupted run writes nothing.\n\n"
    "从数据库读入时各测验称作“./名称.dat”。用 store export STORE -o 文件夹 --station CODE\n"
    "--year Y 导出后在该文件夹中运行 summary . --year Y，其标准输出、标准错误、退出状态、CSV、\n"
    "JSON 和工作簿各表与 summary --store STORE --station CODE --year Y 逐字节相同（施测时间未写\n"
    "年份的测验不属于数据库中的任何一年）。\n"
    "From a store each gauging is named ./NAME.dat: the outputs are byte for byte those of\n"
    "`summary . --year Y` run in the folder `store export STORE -o FOLDER --station CODE\n"
    "--year Y` writes.\n\n"
    "Builds the yearbook table of measured discharges of one station and year from its gaugings;\n"
    "files left out are listed with their reason in the sheet 问题 and on stderr.\n\n"
    "退出状态 Exit status: 0 全部列入 all listed; 1 有文件未列入或无法写出 some file left out or\n"
    "a file not written; 2 用法错误，或命名的文件不存在、不是普通文件，或输出文件是输入文件之一\n"
    "usage error, a named file missing or not a regular file, or an output that is an input;\n"
    "128+N 被信号 N 中断 ended by signal N.\n";

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return out + "\"";
}

std::string csvText(const station::StationTable& table) {
    // Q_form: the discharge as the record form gives it, the value the rating is fitted to
    // (the table's three yearbook figures would fit another curve). Both estimates, each in its
    // own column named by the estimate and the level (95 % expanded uncertainty in per cent),
    // empty where the estimate cannot be made.
    std::string csv = "time,stage,Q_form,uncertainty_ive_95,uncertainty_iso748_95\r\n";
    for (const auto& row : table.rows) {
        const auto q = row.discharge();
        if (!row.stage.metres || !q) {
            continue;
        }
        csv += csvField(station::isoText(row.time.start)) + "," + row.stage.text + "," +
               row.results[0] + "," + (row.ive ? uncertaintyPercentText(*row.ive) : std::string()) +
               "," + (row.iso748 ? uncertaintyPercentText(*row.iso748) : std::string()) + "\r\n";
    }
    return csv;
}

std::string jsonNumberOrNull(const std::optional<double>& value) {
    return value ? num::plainText(*value) : std::string("null");
}

// The table as JSON, a row at a time: a year of many thousand rows is never one string.
void writeJson(std::ostream& out, const station::StationTable& table) {
    out << "{\n  \"station\": " << jsonString(table.station) << ",\n  \"year\": " << table.year
        << ",\n  \"title\": " << jsonString(tableTitle(table)) << ",\n  \"rows\": [";
    static constexpr std::string_view kResultKeys[] = {
        "discharge", "area", "mean_velocity", "max_velocity", "width", "mean_depth", "max_depth"};
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const auto& row = table.rows[i];
        std::string line = std::string(i == 0 ? "" : ",") +
                           "\n    {\"file\": " + jsonString(paths::toUtf8(row.file)) +
                           ", \"number\": " + jsonString(row.number) +
                           ", \"start\": " + jsonString(station::isoText(row.time.start)) +
                           ", \"end\": " + jsonString(station::isoText(row.time.end)) +
                           ", \"place\": " + jsonString(row.place) +
                           ", \"method\": " + jsonString(row.method) +
                           ", \"stage\": " + jsonString(row.stage.text) +
                           ", \"stage_from_gauge\": " + (row.stage.fromGauge ? "true" : "false");
        for (std::size_t k = 0; k < row.results.size(); ++k) {
            line += ", \"" + std::string(kResultKeys[k]) + "\": " +
                    jsonString(k == 0   ? station::yearbookDischarge(row)
                               : k == 1 ? station::yearbookArea(row)
                                        : row.results[k]);
        }
        line += ", \"slope\": " + jsonString(row.slope) +
                ", \"roughness\": " + jsonString(row.roughness) +
                ", \"remarks\": " + jsonString(row.remarks) + ", \"doubts\": [";
        for (std::size_t k = 0; k < row.doubts.size(); ++k) {
            line += (k == 0 ? "" : ", ") + jsonString(row.doubts[k]);
        }
        line += "], \"uncertainty_ive_95\": " + jsonNumberOrNull(row.ive) +
                ", \"uncertainty_iso748_95\": " + jsonNumberOrNull(row.iso748) + "}";
        out << line;
    }
    out << "\n  ],\n  \"problems\": [";
    for (std::size_t i = 0; i < table.problems.size(); ++i) {
        const auto& p = table.problems[i];
        out << (i == 0 ? "" : ",") << "\n    {\"file\": " << jsonString(paths::toUtf8(p.file))
            << ", \"reason\": " << jsonString(p.reason)
            << ", \"listed\": " << (p.kept ? "true" : "false") << "}";
    }
    out << "\n  ]\n}\n";
}

// The stage–discharge relation of the table's gaugings as `rating` draws it by default, for the
// last page of the table's PDF; none when the gaugings give no curve.
std::vector<drawing::Drawing> relationPicture(const station::StationTable& table) {
    const RatingReport report =
        ratingReport(table, {}, station::RatingForm::Power, 0.10, station::StationClass::Second);
    if (!report.fit().problem.empty()) {
        return {};
    }
    return {ratingPlotDrawing(report)};
}

// The workbook, its pages and the CSV, made in turn and put in place together at the end: an
// interruption on the way (checked between the pages too) leaves every target as it was.
int writeOutputs(const station::StationTable& table, const std::optional<fs::path>& workbook,
                 const std::optional<fs::path>& pdf, const std::optional<fs::path>& csv,
                 int status) {
    const auto fail = [&status](const std::string& why) {
        std::cerr << "tarnelo-cli summary: " << terminalSafe(why) << "\n";
        status = kExitIncomplete;
    };
    StagedOutputs outputs("summary");
    // Fitted before the workbook is made: its pages are then drawn without a pause.
    const std::vector<drawing::Drawing> relation =
        pdf && !interrupted() ? relationPicture(table) : std::vector<drawing::Drawing>{};
    if ((workbook || pdf) && !interrupted()) {
        // The workbook is made in a private folder; its pages are drawn from it.
        const sys::ScratchFolder scratch("tarnelo-summary");
        const fs::path made = scratch.path() / "table.xlsx";
        if (const auto failed = writeStationTableWorkbook(table, made)) {
            fail(*failed);
        } else if (workbook && !outputs.addFile(*workbook, made)) {
            status = kExitIncomplete;
        } else if (pdf && !interrupted()) {
            // Written just now by this program: its sheet grows with the year.
            pages::PdfDrawing drawn =
                pages::drawWorkbookPdf(made, xlsx::kOwnWorkbookLimits, {}, interrupted, relation);
            if (!drawn.problem.empty() && !drawn.stopped) {
                fail(drawn.problem);
            } else if (!drawn.stopped) {
                outputs.add(*pdf, std::move(drawn.bytes));
            }
        }
    }
    if (csv && !interrupted()) {
        outputs.add(*csv, csvText(table));
    }
    if (interrupted()) {
        return kExitIncomplete;
    }
    return outputs.putInPlace(status);
}

struct SummaryArguments {
    StationArguments input;
    std::optional<fs::path> workbook;
    std::optional<fs::path> pdf;
    std::optional<fs::path> csv;
    bool json = false;
};

// Reads the arguments; kExitDone, or the usage error after its message.
int parseArguments(std::span<const std::string> args, SummaryArguments& parsed) {
    StationArguments& input = parsed.input;
    std::optional<fs::path>& workbook = parsed.workbook;
    std::optional<fs::path>& pdf = parsed.pdf;
    std::optional<fs::path>& csv = parsed.csv;
    bool& json = parsed.json;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "-o" && hasValue) {
            workbook = paths::fromUtf8(args[++i]);
        } else if (arg == "--pdf" && hasValue) {
            pdf = paths::fromUtf8(args[++i]);
        } else if (arg == "--csv" && hasValue) {
            csv = paths::fromUtf8(args[++i]);
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--force") {
            input.force = true;
        } else if (arg == "--three-point" && hasValue) {
            if (!parseThreePoint("summary", args[++i], input.threePoint)) {
                return kExitUsage;
            }
        } else if (arg == "--store" && hasValue) {
            input.store = args[++i];
        } else if (arg == "--station" && hasValue) {
            input.station = args[++i];
        } else if (arg == "--year" && hasValue) {
            if (!parseYear("summary", args[++i], input.year)) {
                return kExitUsage;
            }
        } else if (arg.rfind('-', 0) == 0) {
            std::cerr << "tarnelo-cli summary: 无法理解的参数 unexpected argument: "
                      << terminalSafe(arg) << "\n\n"
                      << kHelp;
            return kExitUsage;
        } else {
            input.paths.push_back(paths::fromUtf8(arg));
        }
    }
    return kExitDone;
}

int run(std::span<const std::string> args) {
    SummaryArguments parsed;
    if (const int refused = parseArguments(args, parsed)) {
        return refused;
    }
    StationArguments& input = parsed.input;
    const std::optional<fs::path>& workbook = parsed.workbook;
    const std::optional<fs::path>& pdf = parsed.pdf;
    const std::optional<fs::path>& csv = parsed.csv;
    const bool json = parsed.json;
    if ((input.paths.empty() && !input.store) || (!workbook && !pdf && !csv && !json)) {
        std::cerr << kHelp;
        return kExitUsage;
    }
    if (const int refused = checkStationSource("summary", input)) {
        return refused;
    }
    if (workbook && workbook->extension() != ".xlsx") {
        std::cerr << "tarnelo-cli summary: 成果表文件名应以 .xlsx 结尾 the table must end in "
                     ".xlsx\n";
        return kExitUsage;
    }
    StationFiles files = listStationFiles(input);
    std::vector<fs::path> outputs;
    for (const auto& output : {workbook, pdf, csv}) {
        if (output) {
            outputs.push_back(*output);
        }
    }
    if (const int refused =
            checkOutputs("summary", inputFiles(input, files), outputs, input.force)) {
        return refused;
    }
    int readStatus = kExitDone;
    const std::optional<station::StationTable> read =
        readInputTable("summary", input, files, readStatus);
    if (!read) {
        return readStatus;
    }
    const station::StationTable& table = *read;
    reportProblems("summary", table);
    int status = files.unreadableArgument ? kExitUsage : kExitDone;
    for (const auto& problem : table.problems) {
        status = problem.kept ? status : worseExit(status, kExitIncomplete);
    }
    status = writeOutputs(table, workbook, pdf, csv, status);
    if (interrupted()) {
        return kExitIncomplete;
    }
    if (json) {
        writeJson(std::cout, table);
    } else {
        std::cerr << "tarnelo-cli summary: " << terminalSafe(tableTitle(table)) << "：列入 "
                  << table.rows.size() << " 次测验\n";
    }
    return status;
}

} // namespace

const Subcommand kSummary{"summary",
                          "编制实测流量成果表（xlsx、CSV、JSON） the table of measured discharges",
                          kHelp, run};

} // namespace tarnelo::cli
