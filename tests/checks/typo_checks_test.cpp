// Slipped digits: depths and point velocities far from their neighbours, and the sound gaugings
// that must stay quiet (checks_test.cpp's ChecksOnSoundSheets).
#include "checks/checks.hpp"
#include "compute/compute.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace tarnelo {
namespace {

using Texts = std::vector<std::string>;

// Ten velocity verticals at 0.6 between water edges at 0 and 110 m: 0.5 m/s typed, or N signals
// in 110 s on a meter of K = 0.6793 and 5 revolutions a signal (N 52: 1.61 m/s).
Gauging section(EntryMode mode, const std::string& n = "52") {
    const bool typed = mode == EntryMode::Velocity;
    Gauging g;
    g.mode = mode;
    g.coefficients = {"0.85", "0.7", "0.7", "5", "0.6793", "0.0033"};
    g.rows.push_back({"0", "0", "", "", "", ""});
    for (int i = 1; i <= 10; ++i) {
        g.rows.push_back({std::to_string(10 * i), i % 2 == 0 ? "2.2" : "2.1", "0.6", typed ? "" : n,
                          typed ? "" : "110", typed ? "0.5" : ""});
    }
    g.rows.push_back({"110", "0", "", "", "", ""});
    return g;
}

// "注意 reason" of the findings on one cell, after a computation.
Texts at(const Gauging& g, int row, int column) {
    Texts texts;
    for (const Finding& f : compute(g).findings) {
        if (f.row == row && f.column == column) {
            texts.push_back(std::string(severityName(f.severity)) + " " + f.reason);
        }
    }
    return texts;
}

TEST(TypoChecks, AVelocityFarFromBothNeighboursOrAboveItsOneBesideABank) {
    Gauging g = section(EntryMode::Velocity);
    g.rows[5].velocity = "5.2"; // 0.52 with the point slipped
    g.rows[7].velocity = "0.052";
    g.rows[1].velocity = "1.6";  // beside the left bank
    g.rows[10].velocity = "0.1"; // slow at the right bank: no slip
    EXPECT_EQ(at(g, 5, col::测点流速),
              Texts{"注意 测点流速 5.2 米/秒超过两侧相邻测速垂线相应测点流速（0.50、0.50）的 3 "
                    "倍（经验值）：可能多打、漏打一位或点错小数点，请核对"});
    EXPECT_EQ(at(g, 7, col::测点流速),
              Texts{"注意 测点流速 0.052 米/秒不到两侧相邻测速垂线相应测点流速（0.50、0.50）的 "
                    "1/3（经验值）：可能多打、漏打一位或点错小数点，请核对"});
    EXPECT_EQ(at(g, 1, col::测点流速),
              Texts{"注意 测点流速 1.6 米/秒超过里侧相邻测速垂线相应测点流速（0.50）的 3 "
                    "倍，而另一侧是岸边（经验值）：可能多打、漏打一位或点错小数点，请核对"});
    EXPECT_EQ(at(g, 10, col::测点流速), Texts{});
    // Three times is not yet far, nor 0.04 beside 0.01: slack water.
    g.rows[5].velocity = "1.5";
    EXPECT_EQ(at(g, 5, col::测点流速), Texts{});
    g.rows[5].velocity = "0.04";
    g.rows[4].velocity = g.rows[6].velocity = "0.01";
    EXPECT_EQ(at(g, 5, col::测点流速), Texts{});
    // Neighbours over 10 m/s are errors, and no measure.
    g.rows[4].velocity = g.rows[6].velocity = "12.5";
    g.rows[5].velocity = "0.5";
    EXPECT_EQ(at(g, 5, col::测点流速), Texts{});

    // A point is weighed against the same position of its neighbours: 0.2 and 0.8 of a
    // two-point vertical beside one-point verticals (their means).
    g = section(EntryMode::Velocity);
    g.rows[5].relative = "0.2";
    g.rows[5].velocity = "0.6";
    g.rows.insert(g.rows.begin() + 6, GaugingRow{"", "", "0.8", "", "", "4.2"});
    EXPECT_EQ(at(g, 5, col::测点流速), Texts{});
    EXPECT_EQ(at(g, 6, col::测点流速).size(), 1u);
}

TEST(TypoChecks, CountsThatGiveAVelocityFarOffNameNAndT) {
    // N 18 typed 180: 5.56 m/s among 0.56.
    Gauging g = section(EntryMode::Vertical, "18");
    g.rows[4].signalCount = "180";
    EXPECT_EQ(at(g, 4, col::N),
              Texts{"注意 由 N、T 算得的测点流速 5.56 米/秒超过两侧相邻测速垂线相应测点流速"
                    "（0.56、0.56）的 3 倍（经验值）：请核对 N 和 T"});
    // N and T in each other's place: 7.19 m/s among 1.61, and 1.61 swapped back.
    g = section(EntryMode::Vertical);
    g.rows[7].signalCount = "110";
    g.rows[7].seconds = "52";
    EXPECT_EQ(at(g, 7, col::N),
              Texts{"注意 由 N、T 算得的测点流速 7.19 米/秒超过两侧相邻测速垂线相应测点流速"
                    "（1.61、1.61）的 3 倍（经验值）：请核对 N 和 T（N、T 互换则为 1.61 "
                    "米/秒，与相邻垂线相近：可能填反）"});
    // The same before a computation, from the rating.
    const auto before = checkMeasurement(g, typedTable(g), "");
    EXPECT_EQ(std::count_if(before.begin(), before.end(),
                            [](const Finding& f) { return f.column == col::N; }),
              1);
}

TEST(TypoChecks, ADepthFarFromBothNeighboursOrAboveItsOneBesideABank) {
    Gauging g = section(EntryMode::Velocity);
    g.rows[5].depth = "0.22"; // 2.20 with the point slipped
    g.rows[10].depth = "7.8"; // 0.78 beside the right bank
    EXPECT_EQ(
        at(g, 5, col::水深),
        Texts{"注意 水深 0.22 不到上下两条垂线水深（2.2、2.2）的 1/3，可能漏了一位或点错小数点，"
              "请核对（经验值）"});
    EXPECT_EQ(
        at(g, 10, col::水深),
        Texts{"注意 水深 7.8 超过里侧垂线水深（2.1）的 3 倍，而另一侧是水边，请核对（经验值）"});
    // A shallow vertical beside a bank is no slip; nor is a third of the neighbours.
    g.rows[10].depth = "0.2";
    g.rows[5].depth = "0.75";
    EXPECT_EQ(at(g, 10, col::水深), Texts{});
    EXPECT_EQ(at(g, 5, col::水深), Texts{});
}

} // namespace
} // namespace tarnelo
