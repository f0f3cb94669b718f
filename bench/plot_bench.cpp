// The section picture and the uncertainty of a computed sheet of 40 and 10,000 verticals: both
// must grow linearly. The picture drawn as a PNG in this process, as tarnelo-cli plot -o X.png
// and the window draw it.
#include "app/compute_command.hpp"
#include "app/window_form.hpp"
#include "compute/compute.hpp"
#include "measure/numtext.hpp"
#include "measure/section.hpp"
#include "pages/picture_png.hpp"
#include "report/section_plot.hpp"
#include "support/headless_window.hpp"
#include "uncertainty/uncertainty.hpp"
#include "window/window_gauging.hpp"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// The section as the window's sheet shows it after 计算.
tarnelo::MeasuredSection windowSection(const tarnelo::Window& window) {
    return tarnelo::readSection(tarnelo::gaugingOf(window), tarnelo::tableOf(window.sheet()),
                                window.text(tarnelo::ctl::断面流量));
}

using namespace tarnelo;

// A bowl-shaped section of `verticals` rows, every other row a velocity vertical, computed.
void computedSection(HeadlessWindow& window, int verticals) {
    Sheet& sheet = window.sheet();
    sheet.growTo(verticals);
    for (int r = 0; r < verticals; ++r) {
        const bool edge = r == 0 || r == verticals - 1;
        const double shape = std::sin(3.14159265 * r / (verticals - 1));
        sheet.setCell(r, col::起点距, num::plainText(r * 2.5));
        sheet.setCell(r, col::水深, edge ? "0" : num::fixedText(0.3 + 4.0 * shape, 2));
        if (!edge && (r % 2 == 1 || verticals < 100)) {
            sheet.setCell(r, col::相对, "0.6");
            sheet.setCell(r, col::N, num::plainText(5 + std::round(20 * shape) + r % 3));
            sheet.setCell(r, col::T, num::plainText(100 + r % 13));
        }
    }
    computeCommand(window);
}

void BM_SectionPlot(benchmark::State& state) {
    HeadlessWindow window("/nonexistent");
    computedSection(window, static_cast<int>(state.range(0)));
    const std::vector<Finding> findings = checkWindow(window);
    const MeasuredSection section = windowSection(window);
    const SectionUncertainty uncertainty = estimateUncertainty(section);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            sectionPlotSvg(section, {"站", "日期"}, findings, uncertainty, {}));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SectionPlot)->Arg(40)->Arg(1000)->Arg(10000)->Complexity(benchmark::oN);

void BM_SectionPng(benchmark::State& state) {
    HeadlessWindow window("/nonexistent");
    computedSection(window, static_cast<int>(state.range(0)));
    const std::vector<Finding> findings = checkWindow(window);
    const MeasuredSection section = windowSection(window);
    const drawing::Drawing picture =
        sectionPlotDrawing(section, {"站", "日期"}, findings, estimateUncertainty(section), {});
    for (auto _ : state) {
        const pages::PngDrawing drawn = pages::drawPng(picture);
        if (!drawn.problem.empty()) {
            state.SkipWithError(drawn.problem.c_str());
            break;
        }
        benchmark::DoNotOptimize(drawn.bytes.data());
    }
}
BENCHMARK(BM_SectionPng)->Arg(40)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Uncertainty(benchmark::State& state) {
    HeadlessWindow window("/nonexistent");
    computedSection(window, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // Reading the sheet is part of every estimate the window makes.
        benchmark::DoNotOptimize(estimateUncertainty(windowSection(window)));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Uncertainty)->Arg(40)->Arg(1000)->Arg(10000)->Complexity(benchmark::oN);

} // namespace
