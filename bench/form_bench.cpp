// Export of the record form end to end (the template's workbook filled in memory and written
// to the user's file) for 13 and 40 verticals, and the latency of the print command (fill,
// LibreOffice rendering, hand-over to CUPS). The fill's half-second pause belongs to the window
// and is not waited for here. Also the fill of the 25-vertical example and the print preview of
// it (fill and page layout, in memory), as the command line opens and computes it; these read
// the templates and the example beside the executable, so a copy of the program folder runs them
// anywhere (bench/form-before-after.sh runs them from two program folders).
#include "app/program_folder.hpp"
#include "app/window_form.hpp"
#include "files/open_gauging.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "pages/form_pages.hpp"
#include "pages/page_painter.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/pdf_render.hpp"
#include "platform/system/scratch.hpp"
#include "report/record_form.hpp"
#include "report/record_form_steps.hpp"
#include "support/form_folder.hpp"
#include "support/headless_window.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

// The 25-vertical example opened and computed as tarnelo-cli export does, with its own record
// header, and a private folder as the command line's; empty problem when it is ready to fill.
struct ComputedExample {
    FormSheet form;
    std::vector<Finding> findings;
    sys::ScratchFolder scratch{"tarnelo-form-bench", true};
    ExportPlace place;
    std::string problem;

    ComputedExample() {
        const FileComputation opened =
            openGauging(executableFolder() / "examples" / "vertical-25-verticals.dat");
        if (!opened.opened || !opened.computation.computed()) {
            problem = "vertical-25-verticals.dat: " + opened.message;
            return;
        }
        if (!scratch.valid()) {
            problem = "no scratch folder";
            return;
        }
        form = formSheetOf(opened.gauging, opened.computation,
                           parseRecordHeader(opened.gauging.headerPart));
        findings = opened.computation.findings;
        place = {executableFolder(), scratch.path(), scratch.path() / "form.xlsx"};
    }

    // False, with the benchmark skipped, when the example is not ready.
    bool ready(benchmark::State& state) const {
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
        }
        return problem.empty();
    }
};

// The fill alone: the template's workbook read and filled in memory.
void BM_FillForm(benchmark::State& state) {
    const ComputedExample example;
    if (!example.ready(state)) {
        return;
    }
    const FormCheck check = checkForm(example.form, example.place.templateFolder);
    const FormPlace fillPlace = form_detail::privatePlace(example.place, check.twoPages);
    for (auto _ : state) {
        const FilledForm filled = fillForm(example.form, fillPlace, check.twoPages);
        if (!filled) {
            state.SkipWithError(filled.problem.c_str());
            return;
        }
    }
}
BENCHMARK(BM_FillForm)->Unit(benchmark::kMillisecond);

// What the print preview costs: the checks, the fill and the layout of the form's pages.
void BM_FormPreview(benchmark::State& state) {
    const ComputedExample example;
    if (!example.ready(state)) {
        return;
    }
    for (auto _ : state) {
        const pages::FormPages pages =
            pages::formPages(example.form, example.findings, example.place, true, "打印预览");
        if (pages.outcome.status != FormOutcome::Status::Done) {
            state.SkipWithError(pages.outcome.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(pages.layout);
    }
}
BENCHMARK(BM_FormPreview)->Unit(benchmark::kMillisecond);

// The form's pages drawn as a PDF in memory, as export --pdf draws them once the program runs
// (fonts found, the GUI application made).
void BM_FormPdf(benchmark::State& state) {
    const ComputedExample example;
    if (!example.ready(state)) {
        return;
    }
    const pages::FormPages pages =
        pages::formPages(example.form, example.findings, example.place, true, "导出");
    if (!pages::chineseFontProblem().empty()) {
        state.SkipWithError("no Chinese font");
        return;
    }
    for (auto _ : state) {
        const pages::PdfDrawing drawn = pages::drawLayoutPdf(pages.layout);
        benchmark::DoNotOptimize(drawn.bytes.data());
    }
}
BENCHMARK(BM_FormPdf)->Unit(benchmark::kMillisecond);

} // namespace
