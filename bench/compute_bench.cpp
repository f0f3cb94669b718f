// The computation of gaugings of 13, 40 and 10,000 verticals, alone and as 计算 shows it in a
// window: the cost must grow linearly.
#include "app/compute_command.hpp"
#include "compute/compute.hpp"
#include "measure/numtext.hpp"
#include "support/headless_window.hpp"
#include "window/window_gauging.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace tarnelo;

void typeSection(HeadlessWindow& window, int verticals) {
    Sheet& sheet = window.sheet();
    sheet.growTo(verticals);
    for (int r = 0; r < verticals; ++r) {
        const bool edge = r == 0 || r == verticals - 1;
        sheet.setCell(r, col::起点距, num::plainText(r * 2.5));
        sheet.setCell(r, col::水深, edge ? "0" : num::plainText(0.8 + (r % 7) * 0.15));
        if (!edge && r % 2 == 1) {
            sheet.setCell(r, col::相对, r % 3 == 0 ? "0.0" : "0.6");
            sheet.setCell(r, col::N, num::plainText(10 + r % 9));
            sheet.setCell(r, col::T, num::plainText(100 + r % 13));
        }
    }
}

void BM_ComputeCommand(benchmark::State& state) {
    HeadlessWindow window("/nonexistent");
    typeSection(window, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        computeCommand(window);
        benchmark::DoNotOptimize(window.text(ctl::断面流量));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ComputeCommand)->Arg(13)->Arg(40)->Arg(10000)->Complexity(benchmark::oN);

void BM_Compute(benchmark::State& state) {
    HeadlessWindow window("/nonexistent");
    typeSection(window, static_cast<int>(state.range(0)));
    const Gauging gauging = gaugingOf(window);
    for (auto _ : state) {
        const Computation computation = compute(gauging);
        benchmark::DoNotOptimize(computation.results[res::断面流量].data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Compute)->Arg(13)->Arg(40)->Arg(10000)->Complexity(benchmark::oN);

// A gauging of five-point verticals, a sounding vertical between each two: seven rows a vertical.
void BM_ComputeFivePoint(benchmark::State& state) {
    const int verticals = static_cast<int>(state.range(0));
    Gauging gauging;
    gauging.rows.push_back({"0", "0", "", "", "", ""});
    const char* relatives[] = {"0.0", "0.2", "0.6", "0.8", "1.0"};
    for (int v = 0; v < verticals; ++v) {
        const std::string depth = num::plainText(2.0 + (v % 7) * 0.3);
        gauging.rows.push_back({num::plainText(5.0 + v * 10.0), depth, "", "", "", ""});
        for (int p = 0; p < 5; ++p) {
            gauging.rows.push_back(
                {p == 0 ? num::plainText(10.0 + v * 10.0) : "", p == 0 ? depth : "", relatives[p],
                 num::plainText(20 - 2 * p + v % 5), num::plainText(100 + v % 13), ""});
        }
    }
    gauging.rows.push_back({num::plainText(10.0 + verticals * 10.0), "0", "", "", "", ""});
    if (!compute(gauging).computed()) {
        state.SkipWithError("the five-point gauging does not compute");
        return;
    }
    for (auto _ : state) {
        const Computation computation = compute(gauging);
        benchmark::DoNotOptimize(computation.results[res::断面流量].data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ComputeFivePoint)->Arg(13)->Arg(40)->Arg(10000)->Complexity(benchmark::oN);

} // namespace
