// tarnelo-cli rating: the stage–discharge relation of a station's gaugings with its tests.
#include "cli/output_guard.hpp"
#include "cli/station_input.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "files/file_io.hpp"
#include "measure/numtext.hpp"
#include "pages/page_painter.hpp"
#include "pages/picture_png.hpp"
#include "platform/system/scratch.hpp"
#include "report/rating_plot.hpp"
#include "report/station_workbook.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>
#include <variant>

namespace tarnelo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "用法 Usage: tarnelo-cli rating FILES|FOLDERS [--year Y] [-o CURVE.svg|CURVE.png]\n"
    "       [--table RATING.xlsx] [--pdf RATING.pdf] [--json] [--form power|quadratic|cubic]\n"
    "       [--alpha-deviation 0.10|0.20] [--class 1|2|3] [--exclude 8,27:原因]...\n"
    "       [--keep 14:原因]...\n"
    "       [--log] [--time-order] [--force]\n"
    "       tarnelo-cli rating --store STORE [--station CODE] [--year Y] ...\n\n"
    "由实测流量成果表中的测点拟合水位流量关系：缺省为 Q = a(Z − Z₀)^b（对 log Q 最小二乘，\n"
    "Z₀ 在最低实测水位之下一维搜索），或 Z 的二次、三次多项式（--form）。先给定线结论（合格或\n"
    "不合格及其原因），再给各测点的偏离 P = (Q − Qc)/Qc，符号检验、适线检验、偏离数值检验\n"
    "（SL/T 247-2020）的统计量、临界值和结论，系统误差和随机不确定度。\n"
    "突出点：偏离超过 3Se 的最大者暂去后重新定线，反复至其余测点都在 3Se 以内，再以最后的\n"
    "关系线复核（Se 不受突出点本身影响）；列出偏离和文件所示的可能原因，不自动剔除。\n"
    "绳套：按基本水尺始、终读数把测点分为涨、落、平（变化 2 cm 以上为涨落，经验值），涨水与\n"
    "落水测点的平均偏离作 Welch t 检验（α = 0.05）；偏离按施测时间顺序作适线检验。任一显著，\n"
    "结论为单一曲线不适用。\n"
    "  --exclude 8,27:原因   这些施测号数不参加定线，原因写入结论、问题表和 JSON；可重复；\n"
    "                        重号的测点写作 27#1、27#2\n"
    "  --keep 14:原因        这些施测号数经复核保留，参加定线：突出点算已处理，原因同样写入\n"
    "                        结论、问题表和 JSON；可重复\n"
    "  -o CURVE.svg|.png     关系图：测点编号、95% 不确定度横线、关系线、检验结论\n"
    "  --table RATING.xlsx   推流表：每 0.01 m 的流量（按修约规则），外延至实测水位变幅\n"
    "                        以上 30%、以下 10%（经验值），外延行标“外延”；检验；问题\n"
    "  --log                 关系图用对数坐标 logarithmic axes\n"
    "  --time-order          关系图按施测时间顺序连线 join the gaugings in time order\n"
    "  --pdf RATING.pdf      推流表的打印页面和关系图（本程序自行绘制）\n"
    "                        the table's pages and the picture as a PDF\n"
    "  --json                结果写到标准输出 the result as JSON on stdout\n"
    "  --alpha-deviation A   偏离数值检验的显著性水平，0.10（缺省）或 0.20\n"
    "  --class 1|2|3         测站精度类别（一类、二类（缺省）、三类精度站），定线结论按其\n"
    "                        定线精度指标（经验值，常见引用为 SL/T 247-2020）判定\n"
    "  --three-point 3|4     三点法按 (V0.2+V0.6+V0.8)/3（缺省）或 ISO 748 的\n"
    "                        (V0.2+2V0.6+V0.8)/4 计算\n"
    "  --store STORE         从数据库读入（代替文件、文件夹）：SQLite 文件或 postgresql://…；\n"
    "                        --station CODE 选测站（站码或站名），--year Y 选年份，数据库只有\n"
    "                        一个测站、一年时都可不写 read the year from a store\n"
    "  --force               替换只读的输出文件 replace read-only outputs\n\n"
    "Fits the stage–discharge relation of the gaugings, says first whether the curve meets the\n"
    "precision indices of the station's class, then runs the sign, run and deviation tests;\n"
    "outliers are found on a scale they do not inflate and named, never dropped silently;\n"
    "rising and falling gaugings are tested for a loop.\n\n"
    "输出文件不能是输入文件之一；中断（Ctrl-C）时不写出任何文件。\n"
    "An output may not be one of the inputs; an interrupted run writes nothing.\n\n"
    "从数据库读入时各测验称作“./名称.dat”：输出与 store export STORE -o 文件夹 --station CODE\n"
    "--year Y 导出后在该文件夹中运行 rating . --year Y 时逐字节相同 from a store, the outputs\n"
    "of `rating . --year Y` in the folder that export writes.\n\n"
    "退出状态 Exit status: 0 已定线且所有文件都列入（无论定线合格与否）fitted from every file,\n"
    "whether adequate or not; 1 无法定线、有文件未列入或无法写出 not fitted, a file left out\n"
    "or an output not written; 2 用法错误（也包括未知的 --exclude、--keep 号数），或命名的文件\n"
    "不存在、不是普通文件，或输出文件是输入文件之一 usage error (also an unknown --exclude or\n"
    "--keep number), a named file missing or not a regular file, or an output that is an input;\n"
    "128+N 被信号 N 中断 ended by signal N.\n";

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::string testJson(const station::TestOutcome& t) {
    return "{\"name\": " + jsonString(t.name) + ", \"statistic\": " +
           (t.statistic && std::isfinite(*t.statistic) ? num::plainText(*t.statistic)
                                                       : std::string("null")) +
           ", \"critical\": " + num::plainText(t.critical) +
           ", \"passed\": " + (t.passed ? "true" : "false") +
           ", \"detail\": " + jsonString(t.detail) + "}";
}

std::string labelList(const RatingReport& report, const std::vector<std::size_t>& which) {
    std::string out = "[";
    for (std::size_t k = 0; k < which.size(); ++k) {
        out += (k == 0 ? "" : ", ") + jsonString(report.points[which[k]].label);
    }
    return out + "]";
}

// Text handed on as it is made: the reports of a year whose many labels share one long reason
// are never held whole.
class Spool {
  public:
    Spool(std::ostream& stream, bool terminal) : stream_(stream), terminal_(terminal) {}
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;
    ~Spool() { flush(); }
    Spool& operator+=(std::string_view piece) {
        text_ += piece;
        if (text_.size() >= (std::size_t(1) << 16)) {
            flush();
        }
        return *this;
    }

  private:
    void flush() {
        stream_ << (terminal_ ? terminalSafe(text_, true) : text_);
        text_.clear();
    }
    std::ostream& stream_;
    bool terminal_;
    std::string text_;
};

void reviewJson(Spool& out, const RatingReport& report) {
    const auto& review = report.review;
    out += ",\n  \"excluded\": [";
    bool first = true;
    for (std::size_t i = 0; i < report.points.size(); ++i) {
        if (!review.excluded[i].empty()) {
            out += std::string(first ? "" : ", ") +
                   "{\"number\": " + jsonString(report.points[i].label) +
                   ", \"reason\": " + jsonString(review.excluded[i].text()) + "}";
            first = false;
        }
    }
    out += "],\n  \"kept\": [";
    first = true;
    for (std::size_t i = 0; i < report.points.size(); ++i) {
        if (!review.kept[i].empty()) {
            out += std::string(first ? "" : ", ") +
                   "{\"number\": " + jsonString(report.points[i].label) +
                   ", \"reason\": " + jsonString(review.kept[i].text()) + "}";
            first = false;
        }
    }
    out += "],\n  \"outliers\": [";
    for (std::size_t k = 0; k < review.outliers.size(); ++k) {
        const auto& o = review.outliers[k];
        out += std::string(k == 0 ? "" : ", ") +
               "{\"number\": " + jsonString(report.points[o.point].label) +
               ", \"deviation_pct\": " +
               (std::isfinite(o.deviation) ? num::plainText(o.deviation * 100) : "null") +
               ", \"likely\": " + jsonString(o.likely) + ", \"kept\": " +
               (review.kept[o.point].empty() ? std::string("null")
                                             : jsonString(review.kept[o.point].text())) +
               "}";
    }
    out += "],\n  \"outlier_rule\": " +
           jsonString("3Se，Se 按剔除突出点后的测点计算（逐个剔除最大者重新定线）") +
           ", \"clean_se_pct\": " + num::plainText(review.cleanSe * 100);
    const auto& loop = review.loop;
    out += ",\n  \"loop\": {\"tested\": " + std::string(loop.ran ? "true" : "false") +
           ", \"single_curve_inadequate\": " + (loop.fires ? "true" : "false") +
           ", \"rising\": " + labelList(report, loop.rising) +
           ", \"falling\": " + labelList(report, loop.falling);
    if (loop.ran) {
        out += ", \"rising_mean_pct\": " + num::plainText(loop.risingMean * 100) +
               ", \"falling_mean_pct\": " + num::plainText(loop.fallingMean * 100) +
               ", \"t\": " + num::plainText(loop.statistic) +
               ", \"critical\": " + num::plainText(loop.critical) + ", \"alpha\": 0.05";
    }
    out += ", \"detail\": " + jsonString(loop.detail) + "}";
    const auto& drift = review.drift;
    out += ",\n  \"time_order\": {\"tested\": " + std::string(drift.ran ? "true" : "false") +
           ", \"single_curve_inadequate\": " + (drift.fires ? "true" : "false");
    if (drift.fires) {
        out += ", \"before\": " + labelList(report, drift.before) +
               ", \"after\": " + labelList(report, drift.after) +
               ", \"before_mean_pct\": " + num::plainText(drift.beforeMean * 100) +
               ", \"after_mean_pct\": " + num::plainText(drift.afterMean * 100);
    }
    out += ", \"detail\": " + jsonString(drift.detail) + "}";
}

void writeJson(std::ostream& stream, const RatingReport& report) {
    const auto& fit = report.fit();
    Spool out(stream, false);
    out += "{\n  \"station\": " + jsonString(report.station) +
           ",\n  \"year\": " + std::to_string(report.year) +
           ",\n  \"points\": " + std::to_string(report.points.size());
    if (!fit.problem.empty()) {
        out += ",\n  \"problem\": " + jsonString(fit.problem) + "\n}\n";
        return;
    }
    const auto& c = fit.curve;
    out += ",\n  \"form\": \"" +
           std::string(c.form == station::RatingForm::Power       ? "power"
                       : c.form == station::RatingForm::Quadratic ? "quadratic"
                                                                  : "cubic") +
           "\",\n  \"equation\": " + jsonString(c.equation());
    if (c.form == station::RatingForm::Power) {
        out += ",\n  \"a\": " + num::plainText(c.a) + ", \"b\": " + num::plainText(c.b) +
               ", \"z0\": " + num::plainText(c.z0) +
               ", \"z0_at_search_bound\": " + (c.z0AtBound ? "true" : "false");
    } else {
        out += ",\n  \"centre\": " + num::plainText(c.centre) + ", \"coefficients\": [";
        for (std::size_t k = 0; k < c.coefficients.size(); ++k) {
            out += (k == 0 ? "" : ", ") + num::plainText(c.coefficients[k]);
        }
        out += "]";
    }
    const auto& t = fit.tests;
    const station::RatingVerdict verdict = report.verdict();
    out += ",\n  \"verdict\": {\"adequate\": " + std::string(verdict.adequate ? "true" : "false") +
           ", \"class\": " + jsonString(station::className(verdict.station)) + ", \"reasons\": [";
    for (std::size_t k = 0; k < verdict.reasons.size(); ++k) {
        out += (k == 0 ? "" : ", ") + jsonString(verdict.reasons[k]);
    }
    out += "], \"notes\": [";
    for (std::size_t k = 0; k < verdict.notes.size(); ++k) {
        out += (k == 0 ? "" : ", ") + jsonString(verdict.notes[k]);
    }
    out += "]}";
    out += ",\n  \"tests\": [" + testJson(t.sign) + ",\n    " + testJson(t.run) + ",\n    " +
           testJson(t.deviation) + "],\n  \"alpha_deviation\": " + num::plainText(t.alpha) +
           ",\n  \"systematic_error_pct\": " + num::plainText(t.meanDeviation * 100) +
           ",\n  \"se_pct\": " + num::plainText(t.se * 100) +
           ",\n  \"random_uncertainty_pct\": " + num::plainText(t.randomUncertainty * 100);
    reviewJson(out, report);
    out += ",\n  \"gaugings\": [";
    const auto& review = report.review;
    for (std::size_t i = 0; i < report.points.size(); ++i) {
        const auto& p = report.points[i];
        const double deviation = review.deviations[i];
        const std::string_view trend = station::trendName(review.trends[i]);
        out += std::string(i == 0 ? "" : ",") + "\n    {\"number\": " + jsonString(p.label) +
               ", \"stage\": " + num::plainText(p.stage) +
               ", \"discharge\": " + num::plainText(p.discharge) +
               ", \"curve\": " + num::plainText(c.discharge(p.stage)) + ", \"deviation_pct\": " +
               (std::isnan(deviation) ? std::string("null") : num::plainText(deviation * 100)) +
               ", \"trend\": " + (trend.empty() ? std::string("null") : jsonString(trend)) +
               ", \"excluded\": " +
               (review.excluded[i].empty() ? std::string("null")
                                           : jsonString(review.excluded[i].text())) +
               ", \"kept\": " +
               (review.kept[i].empty() ? std::string("null") : jsonString(review.kept[i].text())) +
               ", \"outlier\": " + (review.isOutlier(i) ? "true" : "false") + "}";
    }
    out += "\n  ]\n}\n";
}

// Labels, reasons and the station come from the files: escaped for the terminal.
void writeTextReport(std::ostream& stream, const RatingReport& report) {
    const auto& fit = report.fit();
    const auto& review = report.review;
    const station::RatingVerdict verdict = report.verdict();
    Spool out(stream, true);
    out += "定线结论：" + verdict.headline() + "\n";
    for (const std::string& reason : verdict.reasons) {
        out += "  " + reason + "\n";
    }
    for (const std::string& note : verdict.notes) {
        out += "  " + note + "\n";
    }
    out += "水位流量关系 " + std::string(station::ratingFormName(fit.curve.form)) + "，测点 " +
           pointCountText(report) + "\n";
    out += "关系线：" + fit.curve.equation() + "\n";
    if (fit.curve.z0AtBound) {
        out += "注意：Z₀ 落在搜索区间的边界上，幂函数可能不适合这些测点。\n";
    }
    std::vector<std::vector<std::string>> rows{{"检验", "统计量", "临界值", "结论", "说明"}};
    for (const auto* t : {&fit.tests.sign, &fit.tests.run, &fit.tests.deviation}) {
        rows.push_back({std::string(t->name),
                        t->statistic ? num::fixedText(*t->statistic, 2) : "免检",
                        num::fixedText(t->critical, 2), verdictText(t->passed), t->detail});
    }
    out += alignedTable(rows);
    out += "系统误差 " + num::fixedText(fit.tests.meanDeviation * 100, 2) + "%，随机不确定度 " +
           num::fixedText(fit.tests.randomUncertainty * 100, 2) + "%（2Se）\n";
    out += "绳套（涨落）：" + review.loop.detail + "\n";
    out += "时序变化：" + review.drift.detail + "\n";
    for (const station::Outlier& o : review.outliers) {
        out += "突出点：施测号数 " + report.points[o.point].label + "，偏离 " +
               num::fixedText(o.deviation * 100, 2) +
               "%（剔除突出点后 3Se = " + num::fixedText(review.cleanSe * 300, 2) + "%），" +
               (review.kept[o.point].empty() ? "未剔除" : "经复核保留：" + review.kept[o.point]) +
               (o.likely.empty() ? "" : "；可能原因：" + o.likely) + "\n";
    }
}

struct RatingOutputs {
    std::optional<fs::path> picture;
    bool png = false;
    RatingPlotOptions plotOptions;
    std::optional<fs::path> workbook;
    std::optional<fs::path> pdf;
};

// The picture, the workbook and its pages, made in turn and put in place together at the end:
// an interruption on the way (checked between the pages too) leaves every target as it was.
int writeOutputs(const RatingReport& report, const RatingOutputs& asked, int status) {
    const auto fail = [&status](const std::string& why) {
        std::cerr << "tarnelo-cli rating: " << terminalSafe(why) << "\n";
        status = kExitIncomplete;
    };
    StagedOutputs outputs("rating");
    if (asked.picture && !interrupted()) {
        const drawing::Drawing picture = ratingPlotDrawing(report, asked.plotOptions);
        pages::PngDrawing drawn = asked.png ? pages::drawPng(picture) : pages::PngDrawing{};
        if (!drawn.problem.empty()) {
            fail(drawn.problem);
        } else {
            outputs.add(*asked.picture,
                        asked.png ? std::move(drawn.bytes) : drawing::svgOf(picture));
        }
    }
    const bool fitted = report.fit().problem.empty();
    if ((asked.workbook || asked.pdf) && fitted && !interrupted()) {
        // The workbook is made in a private folder; the table's pages are drawn from it.
        const sys::ScratchFolder scratch("tarnelo-rating");
        const fs::path made = scratch.path() / "rating.xlsx";
        if (const auto failed = writeRatingWorkbook(report, made)) {
            fail(*failed);
        } else if (asked.workbook && !outputs.addFile(*asked.workbook, made)) {
            status = kExitIncomplete;
        } else if (asked.pdf && !interrupted()) {
            // The table's pages, then the relation as the picture draws it.
            const drawing::Drawing relation = ratingPlotDrawing(report, asked.plotOptions);
            pages::PdfDrawing drawn = pages::drawWorkbookPdf(made, xlsx::kOwnWorkbookLimits, {},
                                                             interrupted, {&relation, 1});
            if (!drawn.problem.empty() && !drawn.stopped) {
                fail(drawn.problem);
            } else if (!drawn.stopped) {
                outputs.add(*asked.pdf, std::move(drawn.bytes));
            }
        }
    }
    if (interrupted()) {
        return kExitIncomplete;
    }
    return outputs.putInPlace(status);
}

// The relation's form named by --form; a name it does not know is said on stderr.
bool parseForm(const std::string& value, station::RatingForm& form) {
    if (value == "power") {
        form = station::RatingForm::Power;
    } else if (value == "quadratic" || value == "2") {
        form = station::RatingForm::Quadratic;
    } else if (value == "cubic" || value == "3") {
        form = station::RatingForm::Cubic;
    } else {
        std::cerr << "tarnelo-cli rating: --form 应为 power、quadratic 或 cubic: "
                  << terminalSafe(value) << "\n";
        return false;
    }
    return true;
}

// The deviation test's level named by --alpha-deviation; another value is said on stderr.
bool parseAlpha(const std::string& value, double& alpha) {
    if (value == "0.10" || value == "0.1") {
        alpha = 0.10;
    } else if (value == "0.20" || value == "0.2") {
        alpha = 0.20;
    } else {
        std::cerr << "tarnelo-cli rating: --alpha-deviation 应为 0.10 或 0.20: "
                  << terminalSafe(value) << "\n";
        return false;
    }
    return true;
}

struct RatingArguments {
    StationArguments input;
    RatingOutputs outputs;
    bool json = false;
    station::RatingForm form = station::RatingForm::Power;
    double alpha = 0.10;
    station::StationClass stationClass = station::StationClass::Second;
    std::vector<station::Exclusion> exclusions;
};

// The arguments read, or the exit status of a usage error already said on stderr.
std::variant<RatingArguments, int> parseArguments(std::span<const std::string> args) {
    RatingArguments parsed;
    StationArguments& input = parsed.input;
    RatingOutputs& outputs = parsed.outputs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "-o" && hasValue) {
            outputs.picture = fs::absolute(paths::fromUtf8(args[++i]));
        } else if (arg == "--table" && hasValue) {
            outputs.workbook = paths::fromUtf8(args[++i]);
        } else if (arg == "--class" && hasValue &&
                   (args[i + 1] == "1" || args[i + 1] == "2" || args[i + 1] == "3")) {
            parsed.stationClass = static_cast<station::StationClass>(std::stoi(args[++i]));
        } else if (arg == "--pdf" && hasValue) {
            outputs.pdf = paths::fromUtf8(args[++i]);
        } else if (arg == "--json") {
            parsed.json = true;
        } else if (arg == "--force") {
            input.force = true;
        } else if (arg == "--log") {
            outputs.plotOptions.logarithmic = true;
        } else if (arg == "--time-order") {
            outputs.plotOptions.timeOrder = true;
        } else if ((arg == "--exclude" || arg == "--keep") && hasValue) {
            std::string problem;
            const auto read = station::parseExclusions(args[++i], problem, arg == "--keep");
            if (!read) {
                std::cerr << "tarnelo-cli rating: " << arg << " " << terminalSafe(args[i]) << "："
                          << problem << "\n";
                return kExitUsage;
            }
            parsed.exclusions.insert(parsed.exclusions.end(), read->begin(), read->end());
        } else if (arg == "--three-point" && hasValue) {
            if (!parseThreePoint("rating", args[++i], input.threePoint)) {
                return kExitUsage;
            }
        } else if (arg == "--store" && hasValue) {
            input.store = args[++i];
        } else if (arg == "--station" && hasValue) {
            input.station = args[++i];
        } else if (arg == "--year" && hasValue) {
            if (!parseYear("rating", args[++i], input.year)) {
                return kExitUsage;
            }
        } else if (arg == "--form" && hasValue) {
            if (!parseForm(args[++i], parsed.form)) {
                return kExitUsage;
            }
        } else if (arg == "--alpha-deviation" && hasValue) {
            if (!parseAlpha(args[++i], parsed.alpha)) {
                return kExitUsage;
            }
        } else if (arg.rfind('-', 0) == 0) {
            std::cerr << "tarnelo-cli rating: 无法理解的参数 unexpected argument: "
                      << terminalSafe(arg) << "\n\n"
                      << kHelp;
            return kExitUsage;
        } else {
            input.paths.push_back(paths::fromUtf8(arg));
        }
    }
    if (input.paths.empty() && !input.store) {
        std::cerr << kHelp;
        return kExitUsage;
    }
    if (const int refused = checkStationSource("rating", input)) {
        return refused;
    }
    return parsed;
}

// The outputs' names checked before any file is read, and whether the picture is a PNG.
int checkOutputNames(RatingOutputs& outputs) {
    if (outputs.picture) {
        const std::string ext = lowerExtension(*outputs.picture);
        if (ext != ".svg" && ext != ".png") {
            std::cerr << "tarnelo-cli rating: 图的文件名应以 .svg 或 .png 结尾 the picture must "
                         "end in .svg or .png\n";
            return kExitUsage;
        }
        outputs.png = ext == ".png";
        if (const std::string problem = outputs.png ? pages::pngProblem() : std::string();
            !problem.empty()) {
            std::cerr << "tarnelo-cli rating: " << terminalSafe(problem) << "\n";
            return kExitIncomplete;
        }
    }
    if (outputs.workbook && lowerExtension(*outputs.workbook) != ".xlsx") {
        std::cerr << "tarnelo-cli rating: 推流表文件名应以 .xlsx 结尾\n";
        return kExitUsage;
    }
    return kExitDone;
}

int run(std::span<const std::string> args) {
    auto parsed = parseArguments(args);
    if (const int* refused = std::get_if<int>(&parsed)) {
        return *refused;
    }
    RatingArguments& asked = std::get<RatingArguments>(parsed);
    if (const int refused = checkOutputNames(asked.outputs)) {
        return refused;
    }
    StationFiles files = listStationFiles(asked.input);
    std::vector<fs::path> outputs;
    for (const auto& output : {asked.outputs.picture, asked.outputs.workbook, asked.outputs.pdf}) {
        if (output) {
            outputs.push_back(*output);
        }
    }
    if (const int refused =
            checkOutputs("rating", inputFiles(asked.input, files), outputs, asked.input.force)) {
        return refused;
    }
    int readStatus = kExitDone;
    const std::optional<station::StationTable> read =
        readInputTable("rating", asked.input, files, readStatus);
    if (!read) {
        return readStatus;
    }
    const station::StationTable& table = *read;
    reportProblems("rating", table);
    if (const std::string problem =
            station::exclusionProblem(station::ratingPoints(table), asked.exclusions);
        !problem.empty()) {
        std::cerr << "tarnelo-cli rating: --exclude、--keep：" << terminalSafe(problem) << "\n";
        return kExitUsage;
    }
    const RatingReport report =
        ratingReport(table, asked.exclusions, asked.form, asked.alpha, asked.stationClass);
    // A gauging left out of the table is a measurement the relation lacks.
    int status = report.fit().problem.empty() ? kExitDone : kExitIncomplete;
    for (const auto& problem : table.problems) {
        status = problem.kept ? status : kExitIncomplete;
    }
    status = files.unreadableArgument ? kExitUsage : status;
    if (!report.fit().problem.empty()) {
        std::cerr << "tarnelo-cli rating: 无法定线 cannot fit: "
                  << terminalSafe(report.fit().problem) << "\n";
    }
    status = writeOutputs(report, asked.outputs, status);
    if (interrupted()) {
        return kExitIncomplete;
    }
    // Labels, reasons and the station come from the files: escaped for the terminal.
    if (asked.json) {
        writeJson(std::cout, report);
    } else if (report.fit().problem.empty()) {
        writeTextReport(std::cout, report);
    }
    return status;
}

} // namespace

const Subcommand kRating{
    "rating", "拟合水位流量关系并做三项检验 fit and test the stage–discharge relation", kHelp, run};

} // namespace tarnelo::cli
