#include "app/compute_command.hpp"

#include "document/document.hpp"
#include "sheet/sheet.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

namespace tarnelo {

namespace {

constexpr std::string_view kNotice = "提示：";

} // namespace

std::string modeSwitchQuestion(const Window& window) {
    return modeSwitchQuestion(gaugingOf(window));
}

void showComputation(Window& window, const Computation& computation) {
    Sheet& sheet = window.sheet();
    if (computation.mode != EntryMode::Unknown) {
        const auto& ranges = computation.mode == EntryMode::Vertical ? cols::kComputedVertical
                                                                     : cols::kComputedVelocity;
        for (const ColumnRange range : ranges) {
            sheet.clearColumns(range);
        }
        if (computation.computed()) {
            const Table& table = computation.table;
            for (int r = 0; r < table.rowCount() && r < sheet.rowCount(); ++r) {
                for (const ColumnRange range : ranges) {
                    for (int c = range.first; c <= range.last; ++c) {
                        if (table.filled(r, c)) {
                            sheet.setCell(r, c, table.cell(r, c));
                        }
                    }
                }
            }
        }
    }
    showResults(window, computation);
}

void showResults(Window& window, const Computation& computation) {
    for (std::size_t i = 0; i < kResultCount; ++i) {
        window.setText(ctl::kResultFields[i], computation.results[i]);
    }
    window.setText(ctl::致谢框, computation.completion);
    // Only a computed measurement has a form: after a refusal or short input there are no
    // figures to put on one.
    window.setEnabled(ctl::导出Excel, computation.computed());
    window.setEnabled(ctl::打印, computation.computed());
    window.setStatus(computationStatusLine(computation));
}

ComputeOutcome computeCommand(Window& window) {
    Gauging gauging = gaugingOf(window);
    gauging.threePoint = window.threePointRule();
    if (const std::string question = modeSwitchQuestion(gauging);
        !question.empty() && !window.ask(question, kNotice)) {
        return {ComputeOutcome::Status::Cancelled, {}, {}, nullptr};
    }
    CheckOptions options;
    options.stationClass = window.stationClass();
    auto run = std::make_shared<ComputedRun>();
    run->computation = compute(gauging, options);
    const Computation& computation = run->computation;
    showComputation(window, computation);
    // What the computation was made of is what the window now holds: the other mode's columns
    // it writes (the computed 测点流速 in 垂线模式) are no input.
    run->input = gauging;
    ComputeOutcome outcome = outcomeOf(std::move(run));
    if (outcome.status == ComputeOutcome::Status::Refused) {
        window.showMessage(outcome.message, kNotice, MessageIcon::Information);
    }
    return outcome;
}

ComputeOutcome outcomeOf(std::shared_ptr<const ComputedRun> run) {
    const Computation& computation = run->computation;
    ComputeOutcome outcome;
    switch (computation.status) {
    case Computation::Status::Computed:
        outcome.status = ComputeOutcome::Status::Computed;
        break;
    case Computation::Status::Incomplete:
        outcome.status = ComputeOutcome::Status::Incomplete;
        break;
    case Computation::Status::Refused:
        outcome.status = ComputeOutcome::Status::Refused;
        break;
    }
    outcome.message = computation.message;
    outcome.findings = computation.findings;
    outcome.run = std::move(run);
    return outcome;
}

} // namespace tarnelo
