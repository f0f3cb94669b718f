// How long the print's LibreOffice part takes on the 25-vertical form, the roads side by side in
// one run so that the machine's load weighs on all of them alike:
//   fresh      soffice converting the exported workbook with a new, empty profile;
//   before     a new profile seeded with LastCompatibilityCheckID only (the earlier render);
//   seeded     renderToPdf with a fresh profile seeded with the version (the fallback road);
//   kept       renderToPdf with the user's kept profile (LibreOffice's usual road);
//   own        the program's own page renderer: the workbook laid out and drawn to PDF;
//   export_pdf the whole `tarnelo-cli export --pdf` as a user runs it (the own renderer).
// The paired benchmark runs each road once per iteration, in turn, and reports the mean of each
// in milliseconds, own / fresh and export_pdf / fresh.
#include "pages/page_painter.hpp"
#include "platform/print/pdf_render.hpp"
#include "platform/print/render_profile.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tarnelo;

const fs::path kExample = fs::path(TARNELO_SOURCE_DIR) / "examples" / "vertical-25-verticals.dat";
const fs::path kCli = fs::path(TARNELO_PROGRAM_DIR) / "tarnelo-cli";

std::vector<std::string> environmentFor(const fs::path& home) {
    std::vector<std::string> environment{"HOME=" + home.string(),
                                         "XDG_CACHE_HOME=" + (home / "cache").string(),
                                         "XDG_DATA_HOME=" + (home / "data").string()};
    for (const char* name : {"PATH", "LANG", "LC_ALL"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    return environment;
}

double millisecondsOf(const std::function<bool()>& run, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = run() && ok;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool runsCleanly(const sys::ChildResult& result) {
    return result.status == sys::ChildResult::Status::Exited && result.exitCode == 0;
}

// soffice on its own with a profile made for this one conversion; seed, when given, is written
// into it first as registrymodifications.xcu.
bool convertDirectly(const fs::path& renderer, const fs::path& workbook, const fs::path& home,
                     const std::string& seed) {
    std::error_code error;
    const fs::path profile = home / "profile";
    fs::remove_all(profile, error);
    fs::create_directories(profile / "user");
    if (!seed.empty()) {
        std::ofstream(profile / "user" / "registrymodifications.xcu") << seed;
    }
    return runsCleanly(
        sys::runChild({renderer.string(), "-env:UserInstallation=" + sys::fileUrl(profile),
                       "--headless", "--norestore", "--convert-to", "pdf", "--outdir",
                       sys::fileUrl(home / "out"), sys::fileUrl(workbook)},
                      environmentFor(home), std::chrono::seconds(120)));
}

std::string compatibilityCheckOnly(const fs::path& renderer) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
           "xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n<item "
           "oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"LastCompatibilityCheckID\" "
           "oor:op=\"fuse\"><value>" +
           rendererRelease(renderer).buildId + "</value></prop></item>\n</oor:items>\n";
}

bool exportPdf(const fs::path& home) {
    return runsCleanly(sys::runChild({kCli.string(), "export", kExample.string(), "-o",
                                      (home / "form.xlsx").string(), "--pdf",
                                      (home / "form.pdf").string(), "--force"},
                                     environmentFor(home), std::chrono::seconds(120)));
}

void BM_PrintRoadsPaired(benchmark::State& state) {
    const auto renderer = findRenderer();
    if (!renderer) {
        state.SkipWithError("needs LibreOffice");
        return;
    }
    const sys::ScratchFolder home("tarnelo-render-bench");
    // The workbook the roads convert, and a warm kept profile in this scratch home.
    if (!exportPdf(home.path())) {
        state.SkipWithError("tarnelo-cli export --pdf failed");
        return;
    }
    const fs::path workbook = home.path() / "form.xlsx";
    const std::string before = compatibilityCheckOnly(*renderer);
    ::setenv("XDG_CACHE_HOME", (home.path() / "cache").c_str(), 1);
    double fresh = 0;
    double earlier = 0;
    double seeded = 0;
    double kept = 0;
    double own = 0;
    double exported = 0;
    bool ok = true;
    const fs::path pdf = home.path() / "render.pdf";
    for (auto _ : state) {
        fresh += millisecondsOf(
            [&] { return convertDirectly(*renderer, workbook, home.path(), ""); }, ok);
        earlier += millisecondsOf(
            [&] { return convertDirectly(*renderer, workbook, home.path(), before); }, ok);
        setRendererProfileUse(RendererProfileUse::AlwaysFresh);
        seeded += millisecondsOf([&] { return renderToPdf(*renderer, workbook, pdf, {}).ok; }, ok);
        setRendererProfileUse(RendererProfileUse::KeptWhenFree);
        kept += millisecondsOf([&] { return renderToPdf(*renderer, workbook, pdf, {}).ok; }, ok);
        own += millisecondsOf([&] { return pages::writeWorkbookPdf(workbook, pdf).empty(); }, ok);
        exported += millisecondsOf([&] { return exportPdf(home.path()); }, ok);
    }
    ::unsetenv("XDG_CACHE_HOME");
    if (!ok) {
        state.SkipWithError("a conversion failed");
        return;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["fresh_ms"] = fresh / n;
    state.counters["before_ms"] = earlier / n;
    state.counters["seeded_ms"] = seeded / n;
    state.counters["kept_ms"] = kept / n;
    state.counters["own_ms"] = own / n;
    state.counters["own/fresh"] = own / fresh;
    state.counters["export_pdf_ms"] = exported / n;
    state.counters["export_pdf/fresh"] = exported / fresh;
    state.counters["before/fresh"] = earlier / fresh;
}
BENCHMARK(BM_PrintRoadsPaired)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
