#include "compute/compute.hpp"

#include "gauging/points.hpp"
#include "measure/distances.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarnelo {

namespace {

using num::Grade;

constexpr std::string_view kThanks = "感谢使用!";

using Mode = EntryMode;
using Status = Computation::Status;

int countFilled(const Table& table, int column) {
    int count = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.filled(r, column)) {
            ++count;
        }
    }
    return count;
}

std::string rowColumnName(int row, int column) {
    return "第 " + std::to_string(row + 1) + " 行“" + std::string(columnHeading(column)) + "”";
}

// Empties the columns a mode computes.
void clearComputed(Table& table, Mode mode) {
    for (const ColumnRange range :
         mode == Mode::Vertical ? cols::kComputedVertical : cols::kComputedVelocity) {
        table.clearColumns(range);
    }
}

// One run of the computation of a mode over the table of typed texts: every value is written
// as text at once and later steps read the numbers back from the cells, as the field book's
// columns are filled one after the other.
class Run {
  public:
    Run(const Gauging& gauging, Computation& out)
        : gauging_(gauging), out_(out), sheet_(out.table), mode_(gauging.mode) {}

    void run() {
        pointed_ = pointedVerticals(sheet_, mode_);
        onePoint_ = !hasPointRows(sheet_, mode_);
        if (!check()) {
            out_.status = Status::Refused;
            out_.message = refusal_;
            return;
        }
        S_ = num::numberOf(gauging_.coefficient(coef::水面系数));
        BL_ = num::numberOf(gauging_.coefficient(coef::左岸岸边系数));
        BR_ = num::numberOf(gauging_.coefficient(coef::右岸岸边系数));
        if (mode_ == Mode::Vertical) {
            R_ = num::numberOf(gauging_.coefficient(coef::信号转数));
            K_ = num::numberOf(gauging_.coefficient(coef::公式系数K));
            C_ = num::numberOf(gauging_.coefficient(coef::公式常数C));
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
            out_.status = Status::Refused;
            out_.message = refusal_;
            return;
        }
        out_.status = Status::Computed;
    }

  private:
    bool filled(int row, int column) const { return sheet_.filled(row, column); }
    // A cell's number; each text is read once and kept until the cell is written.
    double number(int row, int column) {
        if (row < 0 || row >= sheet_.rowCount()) {
            return num::numberOf(sheet_.cell(row, column));
        }
        const auto r = static_cast<std::size_t>(row);
        const auto c = static_cast<std::size_t>(column);
        if (numbers_.empty()) {
            numbers_.resize(static_cast<std::size_t>(sheet_.rowCount()));
            known_.resize(static_cast<std::size_t>(sheet_.rowCount()));
        }
        if (!known_[r][c]) {
            numbers_[r][c] = num::numberOf(sheet_.cell(row, column));
            known_[r].set(c);
        }
        return numbers_[r][c];
    }
    void set(int row, int column, std::string_view text) {
        sheet_.setCell(row, column, text);
        if (row >= 0 && static_cast<std::size_t>(row) < known_.size()) {
            known_[static_cast<std::size_t>(row)].reset(static_cast<std::size_t>(column));
        }
    }

    // A row with a measurement: a velocity vertical, or a point row below one.
    bool isVelocityVertical(int row) const { return hasMeasurement(sheet_, row, mode_); }
    bool isPointRow(int row) const { return tarnelo::isPointRow(sheet_, row, mode_); }
    // The row whose depth a row's point is measured in.
    int depthRowOf(int row) const { return verticalRowOf(sheet_, row, mode_); }
    // The next row below `row` that is not a point row.
    int nextVertical(int row) const {
        int next = row + 1;
        while (next < sheet_.rowCount() && isPointRow(next)) {
            ++next;
        }
        return next;
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
        return num::thirteenDigitValue(next);
    }

    bool refuse(std::string_view text) {
        refusal_ = text;
        return false;
    }

    // Everything that would make the computation divide by zero, lose a bank partial or
    // write a number that is not finite is refused before a single cell is written.
    bool check() {
        const int rows = sheet_.rowCount();
        std::optional<int> first;
        if (!pointed_.empty()) {
            first = pointed_.front().row;
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
        // As on the left bank, a missing right water edge is never assumed: its distance is
        // measured, and taking the last vertical for it would drop the bank's area unsaid.
        if (const int below = missingRightEdgeRow(sheet_, mode_); below >= 0) {
            return refuse("最后一条测速垂线（第 " + std::to_string(pointed_.back().row + 1) +
                          " 行）之下没有水边行，无法计算右岸部分。请在第 " +
                          std::to_string(below + 1) + " 行填写右岸水边（或一条测深垂线）。");
        }
        std::vector<int> columns{col::起点距, col::水深, col::相对};
        if (mode_ == Mode::Vertical) {
            columns.push_back(col::N);
            columns.push_back(col::T);
        } else {
            columns.push_back(col::测点流速);
        }
        for (std::size_t i = 0; i < coefficientCount(mode_); ++i) {
            const std::string& text = gauging_.coefficient(i);
            if (!std::isfinite(num::numberOf(text))) {
                return refuse("“" + std::string(kCoefficientNames[i].name) +
                              "”的数值超出范围，无法计算：" + text);
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
        return checkPoints();
    }

    // Every point row lies under a velocity vertical, and every vertical's points make a method.
    bool checkPoints() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (!isPointRow(r)) {
                continue;
            }
            const int owner = depthRowOf(r);
            if (owner < 0) {
                return refuse("第 " + std::to_string(r + 1) +
                              " 行是测点行（起点距、水深为空），但上面没有垂线，无法计算。测点行"
                              "应紧接在它所属的测速垂线之下。");
            }
            if (!isVelocityVertical(owner)) {
                return refuse(
                    "第 " + std::to_string(r + 1) + " 行是测点行（起点距、水深为空），但上面第 " +
                    std::to_string(owner + 1) + " 行是没有测速的测深垂线，无法计算。请在第 " +
                    std::to_string(owner + 1) + " 行填写测点，或补上这一行的起点距和水深。");
            }
        }
        sets_.reserve(pointed_.size());
        for (std::size_t k = 0; k < pointed_.size(); ++k) {
            const PointedVertical& vertical = pointed_[k];
            PointSet set =
                pointSetOf(relativesOf(sheet_, vertical.points), onePoint_, gauging_.threePoint);
            if (set.method == PointMethod::Unknown) {
                const std::string which = "第 " + std::to_string(k + 1) + " 条测速垂线（第 " +
                                          std::to_string(vertical.row + 1) + " 行）";
                if (!set.repeated.empty()) {
                    return refuse(which + "的相对位置 " + set.repeated +
                                  " 重复，无法计算垂线平均流速。");
                }
                return refuse(which + "的测点位置 " + set.positions +
                              " 不成规范的测点组合（一点法 0.6；二点法 0.2、0.8；三点法 0.2、"
                              "0.6、0.8；五点法 0.0、0.2、0.6、0.8、1.0），无法计算垂线平均流速。");
            }
            sets_.push_back(std::move(set));
        }
        return true;
    }

    // 1. Velocity verticals are numbered in row order; a depth of exactly "0" is a water edge.
    void numbering() {
        int counter = 0;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (isVelocityVertical(r) && !isPointRow(r)) {
                ++counter;
                set(r, col::号数, num::plainText(counter));
            }
            if (sheet_.cell(r, col::水深) == "0") {
                set(r, col::号数, "水边");
            }
        }
    }

    // 2. Depth of the measuring point; a point row's in the depth of its vertical.
    void pointDepths() {
        const int marker = mode_ == Mode::Vertical ? col::N : col::测点流速;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, marker) && filled(r, col::相对)) {
                set(r, col::测点深,
                    graded(number(depthRowOf(r), col::水深) * number(r, col::相对), Grade::Depth));
            }
        }
    }

    // 3. Total revolutions, with no rounding grade.
    void totalRevolutions() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::N)) {
                set(r, col::总转数, plain(R_ * number(r, col::N)));
            }
        }
    }

    // 4. Point velocity from the meter rating V = K·N/T + C.
    void pointVelocities() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (isVelocityVertical(r)) {
                const double v = (K_ * number(r, col::总转数)) / number(r, col::T) + C_;
                set(r, col::测点流速, graded(v, Grade::Velocity));
            }
        }
    }

    // 5. A lone surface point carries the surface coefficient; in the multi-point methods every
    // point enters as measured.
    void surfaceCoefficients() {
        for (std::size_t k = 0; k < pointed_.size(); ++k) {
            if (sets_[k].method == PointMethod::Surface) {
                set(pointed_[k].row, col::系数, plain(S_));
            }
        }
    }

    // 6. Mean velocity of the vertical, on its own row: a lone point's velocity, times its
    // coefficient if any; of several points, the method's weighted mean of the rounded point
    // velocities, rounded in turn.
    void verticalMeans() {
        for (std::size_t k = 0; k < pointed_.size(); ++k) {
            const int r = pointed_[k].row;
            const PointSet& method = sets_[k];
            if (!filled(r, col::测点流速)) {
                continue;
            }
            if (pointed_[k].points.size() > 1) {
                double sum = 0.0;
                for (std::size_t i = 0; i < pointed_[k].points.size(); ++i) {
                    sum += method.weights[i] * number(pointed_[k].points[i], col::测点流速);
                }
                set(r, col::平均流速, graded(sum / method.divisor, Grade::Velocity));
            } else if (!filled(r, col::系数)) {
                set(r, col::平均流速, sheet_.cell(r, col::测点流速));
            } else {
                set(r, col::平均流速,
                    graded(number(r, col::测点流速) * number(r, col::系数), Grade::Velocity));
            }
        }
    }

    // 7. The velocity verticals, in row order, with the mean velocity each one carries.
    void velocityVerticals() {
        for (const PointedVertical& vertical : pointed_) {
            verticals_.push_back(
                {vertical.row, num::numberOf(sheet_.cell(vertical.row, col::平均流速))});
        }
    }

    // 8. Partial mean velocities: the bank partial sits on the row above the first velocity
    // vertical, the others on the row of their left vertical, the right bank on the last one.
    void partialVelocities() {
        const auto n = verticals_.size();
        const std::string left = graded(verticals_.front().velocity * BL_, Grade::Velocity);
        partials_.push_back(num::numberOf(left));
        set(verticals_.front().row - 1, col::岸边部分, plain(BL_) + "/" + left);
        for (std::size_t k = 0; k + 1 < n; ++k) {
            const std::string u =
                graded((verticals_[k].velocity + verticals_[k + 1].velocity) / 2, Grade::Velocity);
            partials_.push_back(num::numberOf(u));
            set(verticals_[k].row, col::岸边部分, u);
        }
        const std::string right = graded(verticals_.back().velocity * BR_, Grade::Velocity);
        partials_.push_back(num::numberOf(right));
        set(verticals_.back().row, col::岸边部分, plain(BR_) + "/" + right);
    }

    // 9. Mean depth between a row's vertical and the next one's (point rows between them are
    // passed over), on the upper row.
    void meanDepths() {
        for (int r = 0; r + 1 < sheet_.rowCount(); ++r) {
            const int next = nextVertical(r);
            if (filled(r, col::水深) && filled(next, col::水深)) {
                set(r, col::平均水深,
                    graded((number(r, col::水深) + number(next, col::水深)) / 2, Grade::Depth));
            }
        }
    }

    // A spacing or the width, at the typed distances' resolution (see distances.hpp).
    std::string distance(double x) {
        return std::isfinite(x) ? spacingText(x, distanceDecimals_) : graded(x, Grade::Distance);
    }

    // 10. Spacing between a row's vertical and the next one's.
    void spacings() {
        distanceDecimals_ = fineDistanceDecimals(sheet_);
        for (int r = 0; r + 1 < sheet_.rowCount(); ++r) {
            const int next = nextVertical(r);
            if (filled(r, col::起点距) && filled(next, col::起点距)) {
                set(r, col::间距, distance(number(next, col::起点距) - number(r, col::起点距)));
            }
        }
    }

    // 11. Area between consecutive verticals.
    void areas() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::平均水深) && filled(r, col::间距)) {
                set(r, col::测深垂线,
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
            set(verticals_[k].row, col::部分, graded(sum, Grade::Area));
        }
        const int first = verticals_.front().row;
        set(first - 1, col::部分, graded(sumColumn(col::测深垂线, 0, first - 1), Grade::Area));
        const int last = verticals_.back().row;
        set(last, col::部分,
            graded(sumColumn(col::测深垂线, last, sheet_.rowCount() - 1), Grade::Area));
    }

    // 13. Partial discharges, pairing the partial velocities in the order they were computed
    // with the rows that carry a partial (column 11 itself is never read as a number).
    void partialDischarges() {
        std::size_t j = 0;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::岸边部分) && filled(r, col::部分) && j < partials_.size()) {
                set(r, col::部分流量,
                    graded(partials_[j] * number(r, col::部分), Grade::Discharge));
                ++j;
            }
        }
    }

    double largest(int column) {
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
        auto& results = out_.results;
        const int last = sheet_.rowCount() - 1;
        const std::string discharge = graded(sumColumn(col::部分流量, 0, last), Grade::Discharge);
        results[res::断面流量] = discharge;
        const std::string area = graded(sumColumn(col::部分, 0, last), Grade::Area);
        results[res::断面面积] = area;
        const double areaNumber = num::numberOf(area);
        results[res::平均流速] =
            areaNumber == 0.0 ? std::string()
                              : graded(num::numberOf(discharge) / areaNumber, Grade::Velocity);
        results[res::最大流速] = graded(largest(col::测点流速), Grade::Velocity);
        const std::string width = distance(sumColumn(col::间距, 0, last));
        results[res::水面宽] = width;
        const double widthNumber = num::numberOf(width);
        results[res::平均水深] =
            widthNumber == 0.0 ? std::string() : graded(areaNumber / widthNumber, Grade::Depth);
        results[res::最大水深] = graded(largest(col::水深), Grade::Depth);
        out_.completion = kThanks;
    }

    // A value grew beyond what a double holds: take back everything this run wrote.
    void refuseOverflow() {
        clearComputed(sheet_, mode_);
        known_.assign(known_.size(), {});
        out_.results = {};
        out_.completion.clear();
        refuse("计算结果超出数值范围，无法计算。请检查表中的数据和计算系数。");
    }

  private:
    struct Vertical {
        int row;
        double velocity;
    };

    const Gauging& gauging_;
    Computation& out_;
    Table& sheet_;
    Mode mode_;
    double S_ = 0, BL_ = 0, BR_ = 0, R_ = 0, K_ = 0, C_ = 0;
    std::vector<Vertical> verticals_;
    std::vector<PointedVertical> pointed_;
    std::vector<PointSet> sets_;
    bool onePoint_ = true;
    int distanceDecimals_ = 0;
    std::vector<std::array<double, kRecordColumns>> numbers_;
    std::vector<std::bitset<kRecordColumns>> known_;
    std::vector<double> partials_;
    bool outOfRange_ = false;
    std::string refusal_;
};

} // namespace

Computation compute(const Gauging& gauging, const CheckOptions& options) {
    Computation out;
    out.mode = gauging.mode;
    out.table = typedTable(gauging);
    const Table& table = out.table;
    int count = 0;
    std::vector<std::string> shortfalls;
    const auto scoreField = [&](std::size_t index) {
        if (!gauging.coefficient(index).empty()) {
            ++count;
        } else {
            shortfalls.push_back("“" + std::string(kCoefficientNames[index].name) + "”为空");
        }
    };
    const auto scoreColumn = [&](int column, int moreThan) {
        if (countFilled(table, column) > moreThan) {
            ++count;
        } else {
            shortfalls.push_back("“" + std::string(columnHeading(column)) + "”不足 " +
                                 std::to_string(moreThan + 1) + " 个");
        }
    };
    for (std::size_t i = 0; i < coefficientCount(gauging.mode); ++i) {
        scoreField(i);
    }
    if (gauging.mode == EntryMode::Vertical) {
        scoreColumn(col::起点距, 4);
        scoreColumn(col::水深, 4);
        scoreColumn(col::N, 2);
        scoreColumn(col::T, 2);
    } else if (gauging.mode == EntryMode::Velocity) {
        scoreColumn(col::起点距, 4);
        scoreColumn(col::水深, 4);
        scoreColumn(col::测点流速, 2);
    }
    if ((count == 10 && gauging.mode == EntryMode::Vertical) ||
        (count == 6 && gauging.mode == EntryMode::Velocity)) {
        Run(gauging, out).run();
    } else {
        std::string status = "数据不全，未计算";
        for (std::size_t i = 0; i < shortfalls.size(); ++i) {
            status += (i == 0 ? "：" : "；") + shortfalls[i];
        }
        status += "。";
        out.status = Status::Incomplete;
        out.message = std::move(status);
    }
    out.findings = checkMeasurement(gauging, out.table, out.results[res::断面流量], options);
    // Figures computed from input with errors are never finished: 完成情况 says so.
    if (const int errors = countSeverity(out.findings, Finding::Severity::Error);
        out.computed() && errors > 0) {
        out.completion = unusableResultsText(errors);
    }
    out.section = readSection(gauging, out.table, out.results[res::断面流量]);
    out.uncertainty = estimateUncertainty(out.section);
    return out;
}

} // namespace tarnelo
