#include "report/record_form.hpp"
#include "report/record_form_steps.hpp"

#include "checks/checks.hpp"
#include "compute/gauge_stage.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "gauging/points.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"
#include "platform/system/scratch.hpp"
#include "platform/workbook/package.hpp"
#include "platform/workbook/workbook.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tarnelo {

namespace fs = std::filesystem;

namespace {

// Form columns (A = 1 ... Y = 25).
enum FormColumn : int {
    A = 1,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    V,
    W,
    X,
    Y
};

// "测速垂线数 / 0.0、0.6或测点总数" of the first n rows: one point a vertical names its
// position ("25 / 0.6"; surface and 0.6 verticals mixed, each with its count, "25 / 0.6×23、
// 0.0×2"),
// several points their number; a station weighing 三点法 by ISO 748 says so. Empty when no
// vertical has a velocity.
std::string verticalCounts(const FormSheet& form, int n) {
    const Table& table = form.table;
    int verticals = 0;
    int points = 0;
    bool threePoint = false;
    const bool multiPoint = hasPointRows(table, form.mode);
    std::vector<std::pair<std::string, int>> positions;
    for (int r = 0; r < n; ++r) {
        if (!table.filled(r, col::测点流速)) {
            continue;
        }
        ++points;
        if (isPointRow(table, r, form.mode)) {
            continue;
        }
        ++verticals;
        int below = 0;
        while (r + 1 + below < n && isPointRow(table, r + 1 + below, form.mode)) {
            ++below;
        }
        threePoint = threePoint || below == 2;
        // A lone point at the surface is "0.0" (or reads as 0 among multi-point verticals);
        // any other lone point gives the mean as 0.6 does.
        const std::string& typed = table.cell(r, col::相对);
        const bool surface = typed == "0.0" || (multiPoint && num::isWholeNumber(typed) &&
                                                num::numberOf(typed) == 0.0);
        const std::string at = surface ? "0.0" : "0.6";
        auto known = std::find_if(positions.begin(), positions.end(),
                                  [&](const auto& p) { return p.first == at; });
        if (known == positions.end()) {
            positions.emplace_back(at, 1);
        } else {
            ++known->second;
        }
    }
    if (verticals == 0) {
        return {};
    }
    std::string method;
    if (points > verticals) {
        method = num::plainText(points);
    } else if (positions.size() == 1) {
        method = positions.front().first;
    } else {
        for (std::size_t i = 0; i < positions.size(); ++i) {
            method += (i == 0 ? "" : "、") + positions[i].first + "×" +
                      num::plainText(positions[i].second);
        }
    }
    std::string text = num::plainText(verticals) + " / " + method;
    if (threePoint && form.threePoint == ThreePointRule::Iso748) {
        text += "（三点法按 " + std::string(threePointRuleText(form.threePoint)) + "）";
    }
    return text;
}

// One run of a fill: every cell is written into the active sheet of the template's workbook,
// held in memory.
class FormFill {
  public:
    FormFill(const FormSheet& sheet, const FormPlace& place, bool twoPages)
        : sheet_(sheet), place_(place), twoPages_(twoPages), footer_(twoPages ? 28 : 0),
          header_(sheet.header) {}

    std::unique_ptr<xlsx::Workbook> run() {
        book_ = openTemplate();
        if (!book_) {
            progress(0);
            return nullptr;
        }
        activeSheet_ = book_->activeSheet();
        progress(20);
        if (twoPages_) {
            write(1, X, "第 1 页");
            write(26, X, "第 2 页");
        }
        headerCells();
        progress(30);
        const int n = countFormLines(sheet_.table, sheet_.mode);
        if (!twoPages_) {
            write(1, X, "第 1 页");
        }
        verticalRows(n);
        progress(50);
        resultCells();
        progress(60);
        sectionCells(n);
        progress(70);
        gauge(1);
        gauge(2);
        progress(80);
        gauge(3);
        gauge(4);
        progress(90);
        writeField(24 + footer_, M, 4, 1);
        writeField(25 + footer_, C, 4, 2);
        writeField(25 + footer_, X, 4, 3);
        if (!problem_.empty()) {
            progress(0);
            return nullptr;
        }
        return std::move(book_);
    }

    // Why the last run failed, for the user; empty after a run that succeeded.
    const std::string& problem() const { return problem_; }

  private:
    void progress(int value) {
        if (place_.progress) {
            place_.progress(value);
        }
    }

    // The template's workbook, or nothing with the reason in problem_. The form needs no
    // macro, link or formula: a template carrying one is not ours.
    std::unique_ptr<xlsx::Workbook> openTemplate() {
        const fs::path& templateFile = place_.templateFile;
        std::vector<xlsx::RawPart> parts;
        std::string error;
        if (!xlsx::readPackage(templateFile, parts, error)) {
            damaged(error);
            return nullptr;
        }
        progress(10);
        const std::optional<std::string> active = xlsx::activeContentIn(parts);
        auto book = xlsx::Workbook::fromParts(std::move(parts), error);
        if (!book) {
            damaged(error + "：" + paths::toUtf8(templateFile));
        } else if (active) {
            damaged(*active + "，记载表不需要");
            book.reset();
        }
        return book;
    }

    void damaged(const std::string& why) {
        problem_ = "excel模板已损坏：“" + escapedName(place_.templateFile) + "”（" + why +
                   "）。请重新安装本软件。";
    }

    // A cell of the active sheet; the first cell that cannot be written is the fill's problem.
    void write(int row, int column, const std::string& text) {
        std::string error;
        if (!book_->setText(activeSheet_, row, column, text, error) && problem_.empty()) {
            problem_ = "无法填写记载表：" + error;
        }
    }

    std::string field(int line, int pos) const { return headerField(header_, line, pos); }
    bool has(int line, int pos) const { return hasValue(field(line, pos)); }

    // Writes a header field as it stands, when it has a value.
    void writeField(int row, int column, int line, int pos) {
        if (has(line, pos)) {
            write(row, column, field(line, pos));
        }
    }

    void headerCells() {
        writeField(1, F, 1, 1);
        if (twoPages_) {
            writeField(26, F, 1, 1);
        }
        writeField(2, C, 1, 2);
        writeField(2, K, 1, 3);
        writeField(2, O, 1, 4);
        if (has(1, 5) && has(1, 6)) {
            write(2, T, "牌号：" + field(1, 5) + "  " + field(1, 6));
        }
        if (has(1, 7)) {
            write(3, E, field(1, 7) + "  次");
        }
        if (has(1, 8)) {
            write(3, G, "流速仪轴至铅鱼底距离 " + field(1, 8) + " cm");
        }
        if (has(1, 9)) {
            write(3, M, "铅鱼重量 " + field(1, 9) + " kg");
        }
        if (has(1, 10) && has(1, 11)) {
            // A deviation typed with its sign needs no "+-" before it; the closing full-width
            // blank keeps the text clear of the label 测流渡河设备 when both are shrunk to fit.
            const std::string deviation = field(1, 11);
            const bool hasSign = deviation.front() == '+' || deviation.front() == '-';
            write(3, Q,
                  "停表牌号 " + field(1, 10) + (hasSign ? " 10分钟 " : " 10分钟+- ") + deviation +
                      " s　");
        }
        writeField(3, X, 1, 12);
    }

    int formRow(int vertical) const {
        return twoPages_ && vertical > 20 ? 6 + vertical : 5 + vertical;
    }

    // One form line a sheet row: a vertical's own line carries its number, a point row of a
    // vertical below it only its point's columns, as the field book writes them.
    void verticalRows(int n) {
        const Table& sheet = sheet_.table;
        const std::string& revolutionsPerSignal = sheet_.signalsPerRevolution;
        int lastVertical = n;
        while (lastVertical > 1 && isPointRow(sheet, lastVertical - 1, sheet_.mode)) {
            --lastVertical;
        }
        int sounding = 0;
        for (int i = 1; i <= n; ++i) {
            const int row = formRow(i);
            const int r = i - 1;
            const bool point = isPointRow(sheet, r, sheet_.mode);
            sounding += point ? 0 : 1;
            if (i == 1) {
                write(row, A, "水边");
            }
            if (i == lastVertical) {
                write(row, A, "水边");
            }
            if (i > 1 && i < lastVertical && !point) {
                write(row, A, num::plainText(sounding - 1));
                write(row, B, sheet.cell(r, col::号数));
            }
            write(row, C, sheet.cell(r, col::起点距));
            write(row, H, sheet.cell(r, col::水深));
            write(row, I, sheet.cell(r, col::相对));
            write(row, J, sheet.cell(r, col::测点深));
            write(row, K, sheet.cell(r, col::N));
            write(row, L, sheet.cell(r, col::T));
            if (!sheet.cell(r, col::N).empty()) {
                progress(40);
                write(row, O, revolutionsPerSignal);
            }
            for (int c = col::总转数; c <= col::部分流量; ++c) {
                write(row, P + (c - col::总转数), sheet.cell(r, c));
            }
        }
    }

    void resultCells() {
        const auto& results = sheet_.results;
        write(21 + footer_, M, results[res::断面流量]);
        write(22 + footer_, M, results[res::断面面积]);
        write(20 + footer_, R, results[res::平均流速]);
        write(21 + footer_, R, results[res::最大流速]);
        write(22 + footer_, R, results[res::水面宽]);
        write(23 + footer_, R, results[res::平均水深]);
        write(20 + footer_, U, results[res::最大水深]);
    }

    void sectionCells(int n) {
        writeField(19 + footer_, M, 2, 1);
        writeField(20 + footer_, M, 2, 2);
        writeField(23 + footer_, M, 2, 3);
        if (const std::string counts = verticalCounts(sheet_, n); !counts.empty()) {
            // The counts stand whether or not the meter's type was recorded.
            write(19 + footer_, Q,
                  "流速仪（ " + (has(2, 4) ? field(2, 4) : std::string("  ")) +
                      " ）测速垂线数/0.0、0.6或测点总数 " + counts);
        }
        writeField(21 + footer_, U, 2, 5);
        writeField(21 + footer_, Y, 2, 6);
        writeField(22 + footer_, U, 2, 7);
        writeField(23 + footer_, U, 2, 8);
    }

    // Gauge k: number, readings at start and end, zero elevation; the mean of the readings and
    // the stage by the one stage rule.
    void gauge(int k) {
        const int row = 20 + k + footer_;
        const int first = 4 * k - 3;
        writeField(row, C, 3, first);
        writeField(row, D, 3, first + 1);
        writeField(row, E, 3, first + 2);
        writeField(row, G, 3, first + 3);
        if (has(3, first + 1) && has(3, first + 2) && has(3, first + 3)) {
            const GaugeStage stage =
                gaugeStage(field(3, first + 1), field(3, first + 2), field(3, first + 3));
            write(row, F, stage.mean);
            write(row, I, stage.stage);
        }
    }

    const FormSheet& sheet_;
    const FormPlace& place_;
    bool twoPages_;
    int footer_;
    RecordHeader header_;
    std::unique_ptr<xlsx::Workbook> book_;
    int activeSheet_ = 0;
    std::string problem_;
};

} // namespace

FilledForm fillForm(const FormSheet& form, const FormPlace& place, bool twoPages) {
    FormFill fill(form, place, twoPages);
    FilledForm filled;
    filled.workbook = fill.run();
    filled.problem = fill.problem();
    return filled;
}

void FormPlace::finish(bool made) const {
    if (made && progress) {
        progress(100);
    }
    if (made && pause) {
        pause(500);
    }
    if (progress) {
        progress(0);
    }
}

bool writeWorkingCopy(xlsx::Workbook& workbook, const FormPlace& place, std::string& problem) {
    const fs::path& workingCopy = place.workingCopy;
    // The working copy is the program's own file: a link in its place is replaced, never
    // followed out of the Data folder.
    const WriteResult written = workbook.write(workingCopy, AtLink::Replace);
    if (written) {
        return true;
    }
    // The command-line tool keeps its working copy in a scratch folder, the window in the Data
    // folder: the advice names the one that failed.
    const fs::path inScratch = workingCopy.lexically_relative(sys::scratchParent());
    const bool scratch = !inScratch.empty() && *inScratch.begin() != "..";
    problem = "无法写入记载表的工作副本“" + escapedName(workingCopy) + "”";
    if (scratch && written.outOfSpace) {
        problem += "：" + sys::scratchFullProblem(workingCopy.parent_path()) + "。";
    } else {
        problem += (written.problem.empty() ? "" : "：" + written.problem) +
                   (scratch ? "。" : "。请检查程序的 Data 文件夹是否可以写入。");
    }
    return false;
}

int countFormLines(const Table& table, EntryMode mode) {
    int n = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.filled(r, col::起点距) || isPointRow(table, r, mode)) {
            ++n;
        }
    }
    return n;
}

int countFilledRows(const Table& table) {
    int n = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.filled(r, col::起点距)) {
            ++n;
        }
    }
    return n;
}

} // namespace tarnelo
