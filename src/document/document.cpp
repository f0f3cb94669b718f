#include "document/document.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

constexpr std::array<int, 6> kTypedColumns{col::起点距, col::水深, col::相对,
                                           col::N,      col::T,    col::测点流速};

bool isTyped(EntryMode mode, int column) {
    const auto typed = typedColumns(mode);
    return std::find(typed.begin(), typed.end(), column) != typed.end();
}

// The rows that hold something in the columns a mode types.
std::size_t usedRows(const Gauging& gauging) {
    const auto typed = typedColumns(gauging.mode);
    std::size_t used = gauging.rows.size();
    while (used > 0 && std::all_of(typed.begin(), typed.end(), [&](int c) {
               return typedText(gauging.rows[used - 1], c).empty();
           })) {
        --used;
    }
    return used;
}

bool computedIn(EntryMode mode, int column) {
    const auto& ranges =
        mode == EntryMode::Vertical ? cols::kComputedVertical : cols::kComputedVelocity;
    return std::any_of(ranges.begin(), ranges.end(), [&](ColumnRange range) {
        return column >= range.first && column <= range.last;
    });
}

// The texts a computation gives a row in the columns no mode types.
RowTexts computedRow(const Computation& computation, int row) {
    RowTexts texts;
    if (!computation.computed()) {
        return texts;
    }
    for (int c = 0; c < kRecordColumns; ++c) {
        if (std::find(kTypedColumns.begin(), kTypedColumns.end(), c) == kTypedColumns.end() &&
            computation.table.filled(row, c)) {
            texts[static_cast<std::size_t>(c)] = computation.table.cell(row, c);
        }
    }
    return texts;
}

} // namespace

bool sameInput(const Gauging& a, const Gauging& b) {
    if (a.mode != b.mode || a.coefficients != b.coefficients) {
        return false;
    }
    const std::size_t rows = usedRows(a);
    if (rows != usedRows(b)) {
        return false;
    }
    for (std::size_t r = 0; r < rows; ++r) {
        for (const int c : typedColumns(a.mode)) {
            if (typedText(a.rows[r], c) != typedText(b.rows[r], c)) {
                return false;
            }
        }
    }
    return true;
}

Document::Document() {
    gauging_.rows.resize(kLeastRows);
    computed_.resize(kLeastRows);
    savedInput_ = std::make_shared<const Gauging>(gauging_);
}

Gauging Document::savedGauging() const {
    Gauging gauging = gauging_;
    gauging.headerPart = header_.bytes().value_or(std::string());
    return gauging;
}

bool Document::saved() const {
    return sameInput(*savedInput_, gauging_) && header_ == savedHeader_;
}

bool Document::current() const {
    return run_ && run_->input.threePoint == gauging_.threePoint &&
           sameInput(run_->input, gauging_);
}

const RowTexts& Document::computedTexts(int row) const {
    static const RowTexts kEmpty{};
    return row >= 0 && static_cast<std::size_t>(row) < computed_.size()
               ? computed_[static_cast<std::size_t>(row)]
               : kEmpty;
}

Document::Scalars Document::scalars() const {
    return {gauging_.mode, gauging_.coefficients, header_, run_};
}

void Document::apply(const Scalars& scalars) {
    gauging_.mode = scalars.mode;
    gauging_.coefficients = scalars.coefficients;
    header_ = scalars.header;
    run_ = scalars.run;
}

void Document::padRows() {
    if (gauging_.rows.size() < static_cast<std::size_t>(kLeastRows)) {
        gauging_.rows.resize(kLeastRows);
    }
    // Rows the change appended have nothing computed.
    computed_.resize(gauging_.rows.size());
}

Document::RowPatch Document::rowPatch(const std::vector<GaugingRow>& before,
                                      const ComputedRows& computedBefore) const {
    const std::vector<GaugingRow>& after = gauging_.rows;
    const auto same = [&](std::size_t b, std::size_t a) {
        return before[b] == after[a] && computedBefore[b] == computed_[a];
    };
    // Only the rows between what stayed at the start and at the end are kept.
    std::size_t first = 0;
    while (first < before.size() && first < after.size() && same(first, first)) {
        ++first;
    }
    std::size_t tail = 0;
    while (tail < before.size() - first && tail < after.size() - first &&
           same(before.size() - 1 - tail, after.size() - 1 - tail)) {
        ++tail;
    }
    const auto from = static_cast<std::ptrdiff_t>(first);
    const auto back = static_cast<std::ptrdiff_t>(tail);
    RowPatch patch;
    patch.first = first;
    patch.before.assign(before.begin() + from, before.end() - back);
    patch.after.assign(after.begin() + from, after.end() - back);
    patch.computedBefore.assign(computedBefore.begin() + from, computedBefore.end() - back);
    patch.computedAfter.assign(computed_.begin() + from, computed_.end() - back);
    return patch;
}

void Document::patchRows(std::size_t first, std::size_t replaced,
                         const std::vector<GaugingRow>& rows, const ComputedRows& computed) {
    const auto from = static_cast<std::ptrdiff_t>(first);
    const auto count = static_cast<std::ptrdiff_t>(replaced);
    auto at =
        gauging_.rows.erase(gauging_.rows.begin() + from, gauging_.rows.begin() + from + count);
    gauging_.rows.insert(at, rows.begin(), rows.end());
    auto computedAt = computed_.erase(computed_.begin() + from, computed_.begin() + from + count);
    computed_.insert(computedAt, computed.begin(), computed.end());
}

bool Document::step(std::string_view name, const Change& change,
                    std::shared_ptr<const ComputedRun> run, bool keepUnchanged) {
    Step done;
    done.name = std::string(name);
    done.before = scalars();
    const std::vector<GaugingRow> rowsBefore = gauging_.rows;
    const ComputedRows computedBefore = computed_;
    change(gauging_, header_);
    padRows();
    run_ = std::move(run);
    done.after = scalars();
    done.rows = rowPatch(rowsBefore, computedBefore);

    const bool rowsChanged = !done.rows.before.empty() || !done.rows.after.empty();
    const bool inputChanged = rowsChanged || done.before.mode != done.after.mode ||
                              done.before.coefficients != done.after.coefficients;
    const bool headerChanged = !(done.before.header == done.after.header);
    const bool runChanged = done.before.run != done.after.run;
    if (!inputChanged && !headerChanged && !runChanged && !keepUnchanged) {
        return false;
    }
    rowsChange_ = {static_cast<int>(done.rows.first), static_cast<int>(done.rows.before.size()),
                   static_cast<int>(done.rows.after.size())};
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(std::move(done));
    if (steps_.size() > kHistoryDepth) {
        steps_.pop_front();
    }
    done_ = steps_.size();
    notify((inputChanged ? change::kInput : 0U) | (headerChanged ? change::kHeader : 0U) |
           change::kComputation | change::kFile | change::kHistory);
    return true;
}

bool Document::edit(std::string_view name,
                    const std::function<void(Gauging& gauging, HeaderFields& header)>& change) {
    return step(
        name,
        [&](Gauging& gauging, MeasurementHeader& header) {
            HeaderFields fields = header.fields();
            change(gauging, fields);
            if (!(fields == header.fields())) {
                header.setFields(std::move(fields));
            }
        },
        run_);
}

bool Document::setCell(int row, int column, std::string text) {
    const CellText cell{row, column, std::move(text)};
    return setCells(std::span<const CellText>(&cell, 1), edits::kTyping);
}

bool Document::setCells(std::span<const CellText> cells, std::string_view name) {
    return edit(name, [&](Gauging& gauging, HeaderFields&) {
        for (const CellText& cell : cells) {
            if (cell.row < 0 || std::find(kTypedColumns.begin(), kTypedColumns.end(),
                                          cell.column) == kTypedColumns.end()) {
                continue;
            }
            const auto row = static_cast<std::size_t>(cell.row);
            if (row >= gauging.rows.size()) {
                gauging.rows.resize(row + 1);
            }
            setTypedText(gauging.rows[row], cell.column, cell.text);
        }
    });
}

bool Document::insertRows(int at, int count, std::string_view name) {
    if (at < 0 || static_cast<std::size_t>(at) > gauging_.rows.size() || count <= 0) {
        return false;
    }
    return step(
        name,
        [&](Gauging& gauging, MeasurementHeader&) {
            gauging.rows.insert(gauging.rows.begin() + at, static_cast<std::size_t>(count),
                                GaugingRow{});
            computed_.insert(computed_.begin() + at, static_cast<std::size_t>(count), RowTexts{});
        },
        run_, true);
}

bool Document::removeRows(int first, int count) {
    const auto size = static_cast<int>(gauging_.rows.size());
    if (first < 0 || first >= size || count <= 0) {
        return false;
    }
    const int last = std::min(size, first + count);
    return step(
        edits::kRemoveRows,
        [&](Gauging& gauging, MeasurementHeader&) {
            gauging.rows.erase(gauging.rows.begin() + first, gauging.rows.begin() + last);
            computed_.erase(computed_.begin() + first, computed_.begin() + last);
        },
        run_, true);
}

bool Document::setCoefficient(std::size_t index, std::string text) {
    // An unchanged field is no step (and costs no copy of the rows: every command commits the
    // six fields first).
    if (index >= kCoefficientCount || gauging_.coefficients[index] == text) {
        return false;
    }
    return edit(edits::kCoefficient,
                [&](Gauging& gauging, HeaderFields&) { gauging.coefficients[index] = text; });
}

bool Document::setMode(EntryMode mode) {
    if (gauging_.mode == mode) {
        return false;
    }
    return edit(edits::kModeSwitch, [&](Gauging& gauging, HeaderFields&) { gauging.mode = mode; });
}

bool Document::setHeader(HeaderFields fields) {
    return edit(edits::kHeader, [&](Gauging&, HeaderFields& header) { header = fields; });
}

bool Document::replaceHeader(MeasurementHeader header) {
    return step(
        edits::kHeader, [&](Gauging&, MeasurementHeader& kept) { kept = std::move(header); }, run_);
}

bool Document::clear(MeasurementHeader header) {
    return step(
        edits::kClear,
        [&](Gauging& gauging, MeasurementHeader& kept) {
            for (GaugingRow& row : gauging.rows) {
                row = {};
            }
            for (RowTexts& row : computed_) {
                row = {};
            }
            kept = std::move(header);
        },
        nullptr);
}

const Computation& Document::compute(const CheckOptions& options,
                                     const std::function<void(Gauging& gauging)>& prepare) {
    Gauging after = gauging_;
    if (prepare) {
        prepare(after);
    }
    auto run = std::make_shared<ComputedRun>();
    run->computation = tarnelo::compute(after, options);
    const Computation& computation = run->computation;
    const EntryMode mode = computation.mode;
    // What the computation writes into the columns the other mode types.
    if (mode != EntryMode::Unknown) {
        for (std::size_t r = 0; r < after.rows.size(); ++r) {
            for (const int c : kTypedColumns) {
                if (!isTyped(mode, c) && computedIn(mode, c)) {
                    setTypedText(after.rows[r], c,
                                 computation.computed()
                                     ? computation.table.cell(static_cast<int>(r), c)
                                     : std::string());
                }
            }
        }
    }
    run->input = after;
    // The other computed cells, as the sheet shows them; a computation without a mode leaves
    // them as they were.
    ComputedRows computedAfter = computed_;
    if (mode != EntryMode::Unknown) {
        for (std::size_t r = 0; r < computedAfter.size(); ++r) {
            computedAfter[r] = computedRow(computation, static_cast<int>(r));
        }
    }
    step(
        edits::kCompute,
        [&](Gauging& gauging, MeasurementHeader&) {
            gauging.rows = after.rows;
            computed_ = std::move(computedAfter);
        },
        std::move(run), true);
    return run_->computation;
}

void Document::setThreePointRule(ThreePointRule rule) {
    if (gauging_.threePoint != rule) {
        gauging_.threePoint = rule;
        notify(change::kInput | change::kComputation);
    }
}

void Document::open(Gauging gauging, MeasurementHeader header, std::filesystem::path file) {
    const ThreePointRule rule = gauging_.threePoint;
    gauging_ = std::move(gauging);
    gauging_.threePoint = rule;
    gauging_.headerPart.clear();
    computed_.assign(gauging_.rows.size(), RowTexts{});
    padRows();
    header_ = std::move(header);
    run_.reset();
    file_ = std::move(file);
    stored_.reset();
    savedInput_ = std::make_shared<const Gauging>(gauging_);
    savedHeader_ = header_;
    steps_.clear();
    done_ = 0;
    rowsChange_ = {};
    notify(change::kAll);
}

void Document::openStored(Gauging gauging, MeasurementHeader header, StoredSource stored) {
    open(std::move(gauging), std::move(header), std::filesystem::path());
    stored_ = std::move(stored);
    notify(change::kFile);
}

void Document::markSaved(std::filesystem::path file) {
    file_ = std::move(file);
    stored_.reset();
    markUnchanged();
}

void Document::markStored(StoredSource stored) {
    file_.clear();
    stored_ = std::move(stored);
    markUnchanged();
}

void Document::markUnchanged() {
    savedInput_ = std::make_shared<const Gauging>(gauging_);
    savedHeader_ = header_;
    notify(change::kFile);
}

std::string_view Document::undoName() const {
    return canUndo() ? std::string_view(steps_[done_ - 1].name) : std::string_view();
}

std::string_view Document::redoName() const {
    return canRedo() ? std::string_view(steps_[done_].name) : std::string_view();
}

bool Document::undo() {
    if (!canUndo()) {
        return false;
    }
    const Step& step = steps_[--done_];
    patchRows(step.rows.first, step.rows.after.size(), step.rows.before, step.rows.computedBefore);
    rowsChange_ = {static_cast<int>(step.rows.first), static_cast<int>(step.rows.after.size()),
                   static_cast<int>(step.rows.before.size())};
    apply(step.before);
    notify(change::kAll);
    return true;
}

bool Document::redo() {
    if (!canRedo()) {
        return false;
    }
    const Step& step = steps_[done_++];
    patchRows(step.rows.first, step.rows.before.size(), step.rows.after, step.rows.computedAfter);
    rowsChange_ = {static_cast<int>(step.rows.first), static_cast<int>(step.rows.before.size()),
                   static_cast<int>(step.rows.after.size())};
    apply(step.after);
    notify(change::kAll);
    return true;
}

int Document::observe(Observer observer) {
    observers_.emplace_back(nextObserver_, std::move(observer));
    return nextObserver_++;
}

void Document::forget(int id) {
    std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void Document::notify(unsigned changes) {
    // An observer may forget itself or another while being told.
    const auto observers = observers_;
    for (const auto& [id, observer] : observers) {
        observer(changes);
    }
}

} // namespace tarnelo
