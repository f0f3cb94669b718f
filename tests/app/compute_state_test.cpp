// What the window keeps of 计算: the one computation, found outdated by its input alone.
#include "app/compute_state.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

Gauging workedExample() {
    Gauging gauging;
    gauging.rows = {{"0", "0", "", "", "", ""},
                    {"5", "1.2", "0.6", "10", "100", ""},
                    {"10", "1.8", "0.6", "15", "110", ""},
                    {"15", "1.5", "0.0", "20", "105", ""},
                    {"20", "0", "", "", "", ""}};
    return gauging;
}

ComputeOutcome computed(const Gauging& gauging) {
    auto run = std::make_shared<ComputedRun>();
    run->input = gauging;
    run->computation = compute(gauging);
    ComputeOutcome outcome;
    outcome.status = run->computation.computed() ? ComputeOutcome::Status::Computed
                                                 : ComputeOutcome::Status::Incomplete;
    outcome.findings = run->computation.findings;
    outcome.run = std::move(run);
    return outcome;
}

TEST(ComputedState, KeepsTheComputationAndIsOutdatedOnlyByAnotherInput) {
    const Gauging input = workedExample();
    ComputedState state;
    EXPECT_FALSE(state.computed());
    EXPECT_FALSE(state.stale(input));

    const ComputeOutcome outcome = computed(input);
    ASSERT_EQ(outcome.status, ComputeOutcome::Status::Computed);
    state.record(outcome, "计算完成");
    ASSERT_TRUE(state.computed());
    EXPECT_EQ(state.computation(), &outcome.run->computation) << "kept, not computed again";
    EXPECT_EQ(state.section().dischargeText, outcome.run->computation.results[res::断面流量]);
    EXPECT_EQ(state.status(), "计算完成");
    EXPECT_FALSE(state.stale(input));

    Gauging edited = input;
    edited.rows[1].velocity = "0.5";
    edited.rows.resize(30);
    EXPECT_FALSE(state.stale(edited)) << "垂线模式 does not type 测点流速; empty rows are no input";
    edited.rows[1].signalCount = "11";
    EXPECT_TRUE(state.stale(edited));
    edited = input;
    edited.threePoint = ThreePointRule::Iso748;
    EXPECT_TRUE(state.stale(edited));
    edited = input;
    edited.coefficients[coef::信号转数] = "40";
    EXPECT_TRUE(state.stale(edited));

    // A cancel changes nothing; a run that did not compute keeps its findings, no figures.
    state.record({ComputeOutcome::Status::Cancelled, {}, {}, nullptr}, "");
    EXPECT_TRUE(state.computed());
    Gauging shortInput = input;
    shortInput.rows.resize(2);
    state.record(computed(shortInput), "数据不完整");
    EXPECT_FALSE(state.computed());
    EXPECT_EQ(state.computation(), nullptr);
    EXPECT_FALSE(state.section().computed());
    EXPECT_FALSE(state.stale(input));
    state.forget();
    EXPECT_TRUE(state.status().empty());
}

} // namespace
} // namespace tarnelo
