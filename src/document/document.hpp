// The open measurement: its gauging, its record header, the file it came from and whether it
// is saved, and its last computation with whether that still belongs to the input. Every edit
// is a command on the document and one step of its history, so that undo and redo take back
// exactly one user action; views are told of every change. No window, no Qt.
#pragma once

#include "checks/checks.hpp"
#include "compute/compute.hpp"
#include "document/measurement_header.hpp"
#include "gauging/edit_names.hpp"
#include "gauging/gauging.hpp"

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// One 计算: the input it was made of and what it gave.
struct ComputedRun {
    Gauging input;
    Computation computation;
};

// A typed cell to write (起点距, 水深, 相对, N, T or 测点流速).
struct CellText {
    int row = 0;
    int column = 0;
    std::string text;
};

// The rows a change replaced: `before` rows from `first` on became `after` rows (both zero
// when the rows were taken whole, as by open), so that a view can move its rows as the
// document's moved.
struct RowsChange {
    int first = 0;
    int before = 0;
    int after = 0;
};

// What changed, for the views: a bit set of these.
namespace change {
inline constexpr unsigned kInput = 1;       // the mode, a coefficient, a typed cell, the rows
inline constexpr unsigned kHeader = 2;      // the record header
inline constexpr unsigned kComputation = 4; // the last computation, or whether it is current
inline constexpr unsigned kFile = 8;        // where it came from, whether it is saved
inline constexpr unsigned kHistory = 16;    // what undo and redo would do
inline constexpr unsigned kAll = 31;
} // namespace change

// A gauging of a store the measurement was read from or last saved to (see src/store).
struct StoredSource {
    std::string store; // the store's location as given (a SQLite file's path or a URL)
    std::string shown; // the same for the user: without a password
    std::string gauging;
    int revision = 0; // the revision read, or saved last
    friend bool operator==(const StoredSource&, const StoredSource&) = default;
};

class Document {
  public:
    // A new measurement has at least as many rows as the sheet first shows.
    static constexpr int kLeastRows = 20;
    static constexpr std::size_t kHistoryDepth = 200;
    using Observer = std::function<void(unsigned changes)>;

    // A new measurement: empty rows, the factory coefficients, a header without values.
    Document();

    const Gauging& gauging() const { return gauging_; }
    const MeasurementHeader& header() const { return header_; }
    // The gauging as a file carries it: with the header's bytes as its header part (the header
    // as read when a field cannot be carried; saving checks that first).
    Gauging savedGauging() const;
    // The file it was opened from or last saved to; empty for a new measurement.
    const std::filesystem::path& file() const { return file_; }
    // The store's gauging it was read from or last saved to, when it came from a store (it
    // then has no file).
    const std::optional<StoredSource>& stored() const { return stored_; }
    bool isNew() const { return file_.empty() && !stored_; }
    // Nothing would be lost by dropping it: the input and the header are as they were opened,
    // saved or made new (the 三点法 rule is the station's, not the measurement's).
    bool saved() const;

    // The last computation, or nullptr (none since it was opened or made new).
    const Computation* computation() const { return run_ ? &run_->computation : nullptr; }
    const ComputedRun* lastRun() const { return run_.get(); }
    // The same, shared with whoever keeps it beyond the document's next change.
    std::shared_ptr<const ComputedRun> keptRun() const { return run_; }
    // There is a computation and the input is still the one it was made of.
    bool current() const;
    // What the last 计算 wrote into a row's columns that no mode types (号数, 测点深, 总转数,
    // 系数 onwards), as the sheet shows them: they move with their row when rows are inserted
    // or removed, stay (outdated) while the input is typed over, go with 清空 and 打开, and
    // come back with undo. The typed columns are empty here (they are the gauging's); a row
    // past the end reads as empty.
    const RowTexts& computedTexts(int row) const;

    // The commands: each is one step of the history, and none is kept when it changes
    // nothing (the result is then false).
    bool setCell(int row, int column, std::string text);
    // Many cells as one step (a paste, a cut, Delete over a block).
    bool setCells(std::span<const CellText> cells, std::string_view name);
    // count empty rows before row `at` (0 to the row count).
    bool insertRows(int at, int count, std::string_view name = edits::kInsertRows);
    // Rows first..first+count-1; the document keeps kLeastRows rows with empty ones at its end.
    bool removeRows(int first, int count);
    bool setCoefficient(std::size_t index, std::string text);
    bool setMode(EntryMode mode);
    bool setHeader(HeaderFields fields);
    // The header as a whole, with whatever bytes it carries beyond its fields (a header part
    // handed over as bytes): one step named as 更多's.
    bool replaceHeader(MeasurementHeader header);
    // 清空: every row emptied, the computation dropped, the header `header`; the mode and
    // the coefficients stay.
    bool clear(MeasurementHeader header = {});
    // 计算: computes the gauging, writes what the computation writes into the other mode's
    // columns (the computed 测点流速 in 垂线模式; N and T emptied in 测速模式) and keeps the
    // computation. One step, also when the input stays as it was.
    // `prepare`, when given, first changes the input as part of the same step (a velocity the
    // last computation wrote for a vertical whose N or T were emptied since is no input).
    const Computation& compute(const CheckOptions& options = {},
                               const std::function<void(Gauging& gauging)>& prepare = {});
    // Any other user action as one step: `change` edits the gauging and the header.
    bool edit(std::string_view name,
              const std::function<void(Gauging& gauging, HeaderFields& header)>& change);

    // The station's 三点法 rule: not a step of the measurement's history, but a computation
    // made under another rule is no longer current.
    void setThreePointRule(ThreePointRule rule);

    // A measurement read from `file` (empty: a new one): a new history, saved, nothing computed.
    void open(Gauging gauging, MeasurementHeader header, std::filesystem::path file);
    // A measurement read from a store's gauging: as open, with that as its source.
    void openStored(Gauging gauging, MeasurementHeader header, StoredSource stored);
    // The measurement was written into `file`: it is saved, and that is its file.
    void markSaved(std::filesystem::path file);
    // The measurement was saved into a store as the revision `stored` names.
    void markStored(StoredSource stored);
    // The input as it stands counts as saved where it came from (nothing was changed).
    void markUnchanged();

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // The names of the steps undo and redo would take back or do again (empty when none).
    std::string_view undoName() const;
    std::string_view redoName() const;
    bool undo();
    bool redo();
    // The rows the last change replaced (a step done, undone or redone, or an open).
    const RowsChange& rowsChange() const { return rowsChange_; }

    // Told after every change, with what changed. The result names the observer for forget.
    int observe(Observer observer);
    void forget(int id);

  private:
    // What a step changes beside the rows.
    struct Scalars {
        EntryMode mode = EntryMode::Vertical;
        std::array<std::string, kCoefficientCount> coefficients;
        MeasurementHeader header;
        std::shared_ptr<const ComputedRun> run;
    };
    // The rows first..first+before.size()-1 replaced by `after`, with their computed texts.
    struct RowPatch {
        std::size_t first = 0;
        std::vector<GaugingRow> before;
        std::vector<GaugingRow> after;
        std::vector<RowTexts> computedBefore;
        std::vector<RowTexts> computedAfter;
    };
    struct Step {
        std::string name;
        RowPatch rows;
        Scalars before;
        Scalars after;
    };

    using Change = std::function<void(Gauging& gauging, MeasurementHeader& header)>;
    using ComputedRows = std::vector<RowTexts>;

    Scalars scalars() const;
    void apply(const Scalars& scalars);
    // Does `change` as the step `name` with `run` as the computation after it; false, and
    // nothing kept, when nothing changed.
    bool step(std::string_view name, const Change& change, std::shared_ptr<const ComputedRun> run,
              bool keepUnchanged = false);
    void padRows();
    // The patch that turns the rows and computed texts `before` into the document's.
    RowPatch rowPatch(const std::vector<GaugingRow>& before,
                      const ComputedRows& computedBefore) const;
    // Puts `rows` (with `computed`) in place of `replaced` rows from `first` on.
    void patchRows(std::size_t first, std::size_t replaced, const std::vector<GaugingRow>& rows,
                   const ComputedRows& computed);
    void notify(unsigned changes);

    Gauging gauging_;
    // One per row of the gauging.
    ComputedRows computed_;
    MeasurementHeader header_;
    std::shared_ptr<const ComputedRun> run_;
    std::filesystem::path file_;
    std::optional<StoredSource> stored_;
    // The input and header as opened, saved or made new.
    std::shared_ptr<const Gauging> savedInput_;
    MeasurementHeader savedHeader_;

    std::deque<Step> steps_;
    std::size_t done_ = 0;
    RowsChange rowsChange_;
    std::vector<std::pair<int, Observer>> observers_;
    int nextObserver_ = 0;
};

// Whether two gaugings hold the same input: the mode, the coefficients and the columns the
// mode types (rows empty in those columns at the end left out). The 三点法 rule is not input.
bool sameInput(const Gauging& a, const Gauging& b);

} // namespace tarnelo
