// Export of the record form end to end (template copy, fill through the wrapper and the
// built-in host, save, copy to the user's file) for 13 and 40 verticals, and the latency of
// the print command (fill, LibreOffice rendering, hand-over to CUPS). The fill's half-second
// pause belongs to the window and is not waited for here.
#include "app/window_form.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/pdf_render.hpp"
#include "report/record_form.hpp"
#include "support/form_folder.hpp"
#include "support/headless_window.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace tarnelo;

using BenchFolder = testing::FormFolder;

void typeComputedSection(HeadlessWindow& window, int verticals) {
    Sheet& sheet = window.sheet();
    sheet.growTo(verticals);
    for (int r = 0; r < verticals; ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            sheet.setCell(r, c, num::plainText(r * 1.25 + c * 0.01));
        }
        // Typed columns a field record could hold, so the checks raise no 错误.
        const bool edge = r == 0 || r == verticals - 1;
        sheet.setCell(r, col::水深, edge ? "0" : "1.5");
        sheet.setCell(r, col::相对, edge ? "" : "0.6");
        sheet.setCell(r, col::N, edge ? "" : "10");
        sheet.setCell(r, col::T, edge ? "" : "120");
    }
    for (auto field : ctl::kResultFields) {
        window.setText(field, "12.3");
    }
}

void BM_ExportCommand(benchmark::State& state) {
    BenchFolder folder;
    HeadlessWindow window(folder.path());
    typeComputedSection(window, static_cast<int>(state.range(0)));
    const fs::path target = folder.path() / "excel" / "form.xlsx";
    for (auto _ : state) {
        window.answerFileDialog(ctl::通用对话框excel, target);
        exportCommand(window);
    }
    if (!window.messages.empty()) {
        state.SkipWithError(window.messages.front().text.c_str());
    }
}
BENCHMARK(BM_ExportCommand)->Arg(13)->Arg(40)->Unit(benchmark::kMillisecond);

// The part of a print that LibreOffice takes: the filled two-page form rendered to PDF with a
// fresh profile each time, as every print does.
void BM_RenderFormToPdf(benchmark::State& state) {
    const auto renderer = findRenderer();
    if (!renderer) {
        state.SkipWithError("needs LibreOffice");
        return;
    }
    BenchFolder folder;
    HeadlessWindow window(folder.path());
    typeComputedSection(window, 25);
    const fs::path workbook = folder.path() / "excel" / "form.xlsx";
    window.answerFileDialog(ctl::通用对话框excel, workbook);
    exportCommand(window);
    const fs::path pdf = folder.path() / "form.pdf";
    for (auto _ : state) {
        const RenderResult rendered = renderToPdf(*renderer, workbook, pdf, {});
        if (!rendered.ok) {
            state.SkipWithError(rendered.error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_RenderFormToPdf)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrintCommand(benchmark::State& state) {
    if (!findRenderer() || defaultPrinterName().empty()) {
        state.SkipWithError("needs LibreOffice and a default printer");
        return;
    }
    BenchFolder folder;
    HeadlessWindow window(folder.path());
    typeComputedSection(window, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        printCommand(window, {});
    }
    if (!window.messages.empty()) {
        state.SkipWithError(window.messages.front().text.c_str());
    }
}
BENCHMARK(BM_PrintCommand)
    ->Arg(13)
    ->Arg(40)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
