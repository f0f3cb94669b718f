#include "compute/compute.hpp"

#include "compute/numtext.hpp"
#include "sheet/sheet.hpp"
#include "window/window.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarnelo {

namespace {

using num::Grade;

constexpr std::string_view kNotice = "提示：";
constexpr std::string_view kThanks = "感谢使用!";

enum class Mode { Vertical, Velocity };

int countFilled(const Sheet& sheet, int column) {
    int count = 0;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (!sheet.cell(r, column).empty()) {
            ++count;
        }
    }
    return count;
}

std::string rowColumnName(int row, int column) {
    return "第 " + std::to_string(row + 1) + " 行“" + std::string(Sheet::heading(column)) + "”";
}

// One run of a computation over the window's sheet: every value is written as text at once and
// later steps read the numbers back from the cells.
class Computation {
  public:
    Computation(Window& window, Mode mode) : window_(window), sheet_(window.sheet()), mode_(mode) {}

    ComputeOutcome run() {
        if (!check()) {
            return {ComputeOutcome::Status::Refused, refusal_, {}};
        }
        S_ = num::numberOf(window_.text(ctl::水面系数编辑框));
        BL_ = num::numberOf(window_.text(ctl::岸边系数编辑框01));
        BR_ = num::numberOf(window_.text(ctl::岸边系数编辑框02));
        if (mode_ == Mode::Vertical) {
            R_ = num::numberOf(window_.text(ctl::信号转数编辑框));
            K_ = num::numberOf(window_.text(ctl::计算公式编辑框01));
            C_ = num::numberOf(window_.text(ctl::计算公式编辑框02));
        }
        numbering();
        pointDepths();
        if (mode_ == Mode::Vertical) {
            totalRevolutions();
            pointVelocities();
        }
        surfaceCoefficients();
        verticalMeans();
        velocityVerticals();
        partialVelocities();
        meanDepths();
        spacings();
        areas();
        partialAreas();
        partialDischarges();
        sectionResults();
        if (outOfRange_) {
            refuseOverflow();
            return {ComputeOutcome::Status::Refused, refusal_, {}};
        }
        return {ComputeOutcome::Status::Computed, {}, {}};
    }

  private:
    bool filled(int row, int column) const { return !sheet_.cell(row, column).empty(); }
    double number(int row, int column) const { return num::numberOf(sheet_.cell(row, column)); }

    bool isVelocityVertical(int row) const {
        return mode_ == Mode::Vertical ? filled(row, col::N) && filled(row, col::T)
                                       : filled(row, col::测点流速);
    }

    // The text of a computed value; a value that is not finite is never written.
    std::string graded(double x, Grade grade) {
        if (!std::isfinite(x)) {
            outOfRange_ = true;
            return {};
        }
        return num::graded(x, grade);
    }
    std::string plain(double x) {
        if (!std::isfinite(x)) {
            outOfRange_ = true;
            return {};
        }
        return num::plainText(x);
    }
    // A running sum carried as its 13-digit text; a sum beyond a double is never written.
    double add(double sum, double value) {
        const double next = sum + value;
        if (!std::isfinite(next)) {
            outOfRange_ = true;
            return 0.0;
        }
        return num::numberOf(num::plainText(next));
    }

    bool refuse(std::string_view text) {
        refusal_ = text;
        window_.showMessage(text, kNotice, MessageIcon::Information);
        window_.setStatus("未计算：" + std::string(text));
        return false;
    }

    // Everything that would make the computation divide by zero, lose the left-bank partial or
    // write a number that is not finite is refused before a single cell is written.
    bool check() {
        const int rows = sheet_.rowCount();
        std::optional<int> first;
        for (int r = 0; r < rows && !first; ++r) {
            if (isVelocityVertical(r)) {
                first = r;
            }
        }
        if (!first) {
            return refuse(mode_ == Mode::Vertical
                              ? "表中没有测速垂线，无法计算。垂线模式下，同时填有信号数“N”和"
                                "历时“T”的行才是测速垂线。"
                              : "表中没有测速垂线，无法计算。测速模式下，填有“测点流速”的行"
                                "才是测速垂线。");
        }
        if (*first == 0) {
            return refuse("第一条测速垂线之上没有水边行，无法计算左岸部分。请在表格第 1 行填写"
                          "左岸水边（或一条测深垂线），测速垂线从第 2 行起。");
        }
        const std::span<const CoefficientField> fields =
            std::span(kCoefficientFields)
                .first(mode_ == Mode::Vertical ? kCoefficientFields.size()
                                               : kVelocityModeCoefficients);
        std::vector<int> columns{col::起点距, col::水深, col::相对};
        if (mode_ == Mode::Vertical) {
            columns.push_back(col::N);
            columns.push_back(col::T);
        } else {
            columns.push_back(col::测点流速);
        }
        for (const auto& field : fields) {
            if (!std::isfinite(num::numberOf(window_.text(field.control)))) {
                return refuse("“" + std::string(field.name) + "”的数值超出范围，无法计算：" +
                              window_.text(field.control));
            }
        }
        for (int r = 0; r < rows; ++r) {
            for (int c : columns) {
                if (filled(r, c) && !std::isfinite(number(r, c))) {
                    return refuse(rowColumnName(r, c) + "的数值超出范围，无法计算：" +
                                  sheet_.cell(r, c));
                }
            }
            if (mode_ == Mode::Vertical && isVelocityVertical(r) && number(r, col::T) == 0.0) {
                return refuse(rowColumnName(r, col::T) +
                              "为 0（或不是数字），无法计算测点流速。请填写测速历时。");
            }
        }
        return true;
    }

    // 1. Velocity verticals are numbered in row order; a depth of exactly "0" is a water edge.
    void numbering() {
        int counter = 0;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (isVelocityVertical(r)) {
                ++counter;
                sheet_.setCell(r, col::号数, num::plainText(counter));
            }
            if (sheet_.cell(r, col::水深) == "0") {
                sheet_.setCell(r, col::号数, "水边");
            }
        }
    }

    // 2. Depth of the measuring point.
    void pointDepths() {
        const int marker = mode_ == Mode::Vertical ? col::N : col::测点流速;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, marker) && filled(r, col::相对)) {
                sheet_.setCell(r, col::测点深,
                               graded(number(r, col::水深) * number(r, col::相对), Grade::Depth));
            }
        }
    }

    // 3. Total revolutions, with no rounding grade.
    void totalRevolutions() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::N)) {
                sheet_.setCell(r, col::总转数, plain(R_ * number(r, col::N)));
            }
        }
    }

    // 4. Point velocity from the meter rating V = K·N/T + C.
    void pointVelocities() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (isVelocityVertical(r)) {
                const double v = (K_ * number(r, col::总转数)) / number(r, col::T) + C_;
                sheet_.setCell(r, col::测点流速, graded(v, Grade::Velocity));
            }
        }
    }

    // 5. Surface points (relative position exactly "0.0") carry the surface coefficient.
    void surfaceCoefficients() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (isVelocityVertical(r) && sheet_.cell(r, col::相对) == "0.0") {
                sheet_.setCell(r, col::系数, plain(S_));
            }
        }
    }

    // 6. Mean velocity of the vertical: the point velocity, times its coefficient if any.
    void verticalMeans() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::测点流速) && !filled(r, col::系数)) {
                sheet_.setCell(r, col::平均流速, sheet_.cell(r, col::测点流速));
            }
            if (filled(r, col::测点流速) && filled(r, col::系数)) {
                sheet_.setCell(
                    r, col::平均流速,
                    graded(number(r, col::测点流速) * number(r, col::系数), Grade::Velocity));
            }
        }
    }

    // 7. The velocity verticals, in row order, with the mean velocity each one carries.
    void velocityVerticals() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (isVelocityVertical(r)) {
                verticals_.push_back({r, num::numberOf(sheet_.cell(r, col::平均流速))});
            }
        }
    }

    // 8. Partial mean velocities: the bank partial sits on the row above the first velocity
    // vertical, the others on the row of their left vertical, the right bank on the last one.
    void partialVelocities() {
        const auto n = verticals_.size();
        const std::string left = graded(verticals_.front().velocity * BL_, Grade::Velocity);
        partials_.push_back(num::numberOf(left));
        sheet_.setCell(verticals_.front().row - 1, col::岸边部分, plain(BL_) + "/" + left);
        for (std::size_t k = 0; k + 1 < n; ++k) {
            const std::string u =
                graded((verticals_[k].velocity + verticals_[k + 1].velocity) / 2, Grade::Velocity);
            partials_.push_back(num::numberOf(u));
            sheet_.setCell(verticals_[k].row, col::岸边部分, u);
        }
        const std::string right = graded(verticals_.back().velocity * BR_, Grade::Velocity);
        partials_.push_back(num::numberOf(right));
        sheet_.setCell(verticals_.back().row, col::岸边部分, plain(BR_) + "/" + right);
    }

    // 9. Mean depth between a row's vertical and the next row's, on the upper row.
    void meanDepths() {
        for (int r = 0; r + 1 < sheet_.rowCount(); ++r) {
            if (filled(r, col::水深) && filled(r + 1, col::水深)) {
                sheet_.setCell(
                    r, col::平均水深,
                    graded((number(r, col::水深) + number(r + 1, col::水深)) / 2, Grade::Depth));
            }
        }
    }

    // 10. Spacing between a row's vertical and the next row's.
    void spacings() {
        for (int r = 0; r + 1 < sheet_.rowCount(); ++r) {
            if (filled(r, col::起点距) && filled(r + 1, col::起点距)) {
                sheet_.setCell(
                    r, col::间距,
                    graded(number(r + 1, col::起点距) - number(r, col::起点距), Grade::Distance));
            }
        }
    }

    // 11. Area between consecutive verticals.
    void areas() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::平均水深) && filled(r, col::间距)) {
                sheet_.setCell(
                    r, col::测深垂线,
                    graded(number(r, col::平均水深) * number(r, col::间距), Grade::Area));
            }
        }
    }

    double sumColumn(int column, int firstRow, int lastRow) {
        double sum = 0;
        for (int r = firstRow; r <= lastRow; ++r) {
            sum = add(sum, number(r, column));
        }
        return sum;
    }

    // 12. Partial areas: between velocity verticals, then the two banks.
    void partialAreas() {
        const auto n = verticals_.size();
        for (std::size_t k = 0; k + 1 < n; ++k) {
            const double sum =
                sumColumn(col::测深垂线, verticals_[k].row, verticals_[k + 1].row - 1);
            sheet_.setCell(verticals_[k].row, col::部分, graded(sum, Grade::Area));
        }
        const int first = verticals_.front().row;
        sheet_.setCell(first - 1, col::部分,
                       graded(sumColumn(col::测深垂线, 0, first - 1), Grade::Area));
        const int last = verticals_.back().row;
        sheet_.setCell(last, col::部分,
                       graded(sumColumn(col::测深垂线, last, sheet_.rowCount() - 1), Grade::Area));
    }

    // 13. Partial discharges, pairing the partial velocities in the order they were computed
    // with the rows that carry a partial (column 11 itself is never read as a number).
    void partialDischarges() {
        std::size_t j = 0;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::岸边部分) && filled(r, col::部分) && j < partials_.size()) {
                sheet_.setCell(r, col::部分流量,
                               graded(partials_[j] * number(r, col::部分), Grade::Discharge));
                ++j;
            }
        }
    }

    double largest(int column) const {
        std::optional<double> best;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, column)) {
                const double v = number(r, column);
                if (!best || v > *best) {
                    best = v;
                }
            }
        }
        return best.value_or(0.0);
    }

    // 14. Section results; the means are taken from the rounded texts just written.
    void sectionResults() {
        const int last = sheet_.rowCount() - 1;
        const std::string discharge = graded(sumColumn(col::部分流量, 0, last), Grade::Discharge);
        window_.setText(ctl::断面流量, discharge);
        const std::string area = graded(sumColumn(col::部分, 0, last), Grade::Area);
        window_.setText(ctl::断面面积, area);
        const double areaNumber = num::numberOf(area);
        window_.setText(ctl::平均流速,
                        areaNumber == 0.0
                            ? std::string()
                            : graded(num::numberOf(discharge) / areaNumber, Grade::Velocity));
        window_.setText(ctl::最大流速, graded(largest(col::测点流速), Grade::Velocity));
        const std::string width = graded(sumColumn(col::间距, 0, last), Grade::Distance);
        window_.setText(ctl::水面宽, width);
        const double widthNumber = num::numberOf(width);
        window_.setText(ctl::平均水深, widthNumber == 0.0
                                           ? std::string()
                                           : graded(areaNumber / widthNumber, Grade::Depth));
        window_.setText(ctl::最大水深, graded(largest(col::水深), Grade::Depth));
        window_.setText(ctl::致谢框, kThanks);
        window_.setStatus("");
    }

    // A value grew beyond what a double holds: take back everything this run wrote.
    void refuseOverflow() {
        clearComputed(window_, mode_);
        window_.setText(ctl::致谢框, "");
        refuse("计算结果超出数值范围，无法计算。请检查表中的数据和计算系数。");
    }

  public:
    static void clearComputed(Window& window, Mode mode) {
        Sheet& sheet = window.sheet();
        for (const ColumnRange range :
             mode == Mode::Vertical ? cols::kComputedVertical : cols::kComputedVelocity) {
            sheet.clearColumns(range);
        }
        for (auto field : ctl::kResultFields) {
            window.setText(field, "");
        }
    }

  private:
    struct Vertical {
        int row;
        double velocity;
    };

    Window& window_;
    Sheet& sheet_;
    Mode mode_;
    double S_ = 0, BL_ = 0, BR_ = 0, R_ = 0, K_ = 0, C_ = 0;
    std::vector<Vertical> verticals_;
    std::vector<double> partials_;
    bool outOfRange_ = false;
    std::string refusal_;
};

} // namespace

ComputeOutcome computeVerticalMode(Window& window) {
    return Computation(window, Mode::Vertical).run();
}

ComputeOutcome computeVelocityMode(Window& window) {
    return Computation(window, Mode::Velocity).run();
}

std::string modeSwitchQuestion(const Window& window) {
    const Sheet& sheet = window.sheet();
    int cells = 0;
    if (window.isSelected(ctl::测速模式)) {
        cells = countFilled(sheet, col::N) + countFilled(sheet, col::T);
        return cells == 0 ? std::string()
                          : "计算将清除在垂线模式下输入的 N、T 共 " + std::to_string(cells) +
                                " 格，是否继续？";
    }
    if (window.isSelected(ctl::垂线模式)) {
        for (int r = 0; r < sheet.rowCount(); ++r) {
            const bool vertical = !sheet.cell(r, col::N).empty() && !sheet.cell(r, col::T).empty();
            if (!vertical && !sheet.cell(r, col::测点流速).empty()) {
                ++cells;
            }
        }
        return cells == 0 ? std::string()
                          : "计算将清除在测速模式下输入的测点流速共 " + std::to_string(cells) +
                                " 格，是否继续？";
    }
    return {};
}

ComputeOutcome computeCommand(Window& window) {
    if (const std::string question = modeSwitchQuestion(window);
        !question.empty() && !window.ask(question, kNotice)) {
        return {ComputeOutcome::Status::Cancelled, {}, {}};
    }
    int count = 0;
    std::vector<std::string> shortfalls;
    const Sheet& sheet = window.sheet();
    const auto scoreField = [&](std::string_view field, std::string_view name) {
        if (!window.text(field).empty()) {
            ++count;
        } else {
            shortfalls.push_back("“" + std::string(name) + "”为空");
        }
    };
    const auto scoreColumn = [&](int column, int moreThan) {
        if (countFilled(sheet, column) > moreThan) {
            ++count;
        } else {
            shortfalls.push_back("“" + std::string(Sheet::heading(column)) + "”不足 " +
                                 std::to_string(moreThan + 1) + " 个");
        }
    };
    const bool vertical = window.isSelected(ctl::垂线模式);
    const bool velocity = window.isSelected(ctl::测速模式);
    if (vertical) {
        for (const CoefficientField& field : kCoefficientFields) {
            scoreField(field.control, field.name);
        }
        scoreColumn(col::起点距, 4);
        scoreColumn(col::水深, 4);
        scoreColumn(col::N, 2);
        scoreColumn(col::T, 2);
        Computation::clearComputed(window, Mode::Vertical);
    }
    if (velocity) {
        for (std::size_t i = 0; i < kVelocityModeCoefficients; ++i) {
            scoreField(kCoefficientFields[i].control, kCoefficientFields[i].name);
        }
        scoreColumn(col::起点距, 4);
        scoreColumn(col::水深, 4);
        scoreColumn(col::测点流速, 2);
        Computation::clearComputed(window, Mode::Velocity);
    }
    for (auto field : ctl::kResultFields) {
        window.setText(field, "");
    }
    ComputeOutcome outcome;
    if (count == 10 && vertical) {
        outcome = computeVerticalMode(window);
    } else if (count == 6 && velocity) {
        outcome = computeVelocityMode(window);
    } else {
        std::string status = "数据不全，未计算";
        for (std::size_t i = 0; i < shortfalls.size(); ++i) {
            status += (i == 0 ? "：" : "；") + shortfalls[i];
        }
        status += "。";
        window.setStatus(status);
        outcome = {ComputeOutcome::Status::Incomplete, status, {}};
    }
    // Only a computed measurement has a form: after a refusal or short input there are no
    // figures to put on one, and 完成情况 must not keep the thanks of an earlier run.
    const bool computed = outcome.status == ComputeOutcome::Status::Computed;
    if (!computed) {
        window.setText(ctl::致谢框, "");
    }
    window.setEnabled(ctl::导出Excel, computed);
    window.setEnabled(ctl::打印, computed);
    outcome.findings = checkMeasurement(window);
    const std::string counts = findingCounts(outcome.findings);
    if (outcome.status == ComputeOutcome::Status::Computed) {
        window.setStatus(counts.empty() ? std::string() : "计算完成，" + counts + "。");
    } else if (!counts.empty()) {
        // Why nothing was computed stays first; the findings follow.
        const std::string why = outcome.status == ComputeOutcome::Status::Refused
                                    ? "未计算：" + outcome.message
                                    : outcome.message;
        window.setStatus(why + "　输入中" + counts + "。");
    }
    return outcome;
}

} // namespace tarnelo
