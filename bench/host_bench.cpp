// A record-form fill's conversation with the built-in spreadsheet host: open the two-page
// template, 200 cell writes (each after asking for the active sheet), save, close, quit.
#include "report/spreadsheet_automation.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void BM_TwoPageFill200Cells(benchmark::State& state) {
    const fs::path dir =
        fs::temp_directory_path() / ("tarnelo-host-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path source = fs::path(TARNELO_PROGRAM_DIR) / "Data" / "moduleexcel_2.dat";
    const fs::path copy = dir / "snapexcel_2.dat";
    tarnelo::SpreadsheetAutomation xl;
    for (auto _ : state) {
        fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
        xl.CreateApplication();
        xl.OpenWorkbook(copy.string(), "", false);
        for (int i = 0; i < 200; ++i) {
            std::string name;
            const int sheet = xl.GetActiveSheet(name);
            xl.SetCell(sheet, 6 + i % 40 + (i % 40 >= 20 ? 1 : 0), 1 + i % 25, "12.345");
        }
        xl.SaveWorkbook();
        xl.CloseWorkbooks();
        xl.QuitApplication();
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_TwoPageFill200Cells)->Unit(benchmark::kMillisecond);

void BM_SetCellOnly(benchmark::State& state) {
    const fs::path dir =
        fs::temp_directory_path() / ("tarnelo-host-bench-set-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path copy = dir / "snapexcel_2.dat";
    fs::copy_file(fs::path(TARNELO_PROGRAM_DIR) / "Data" / "moduleexcel_2.dat", copy,
                  fs::copy_options::overwrite_existing);
    tarnelo::SpreadsheetAutomation xl;
    xl.CreateApplication();
    xl.OpenWorkbook(copy.string(), "", false);
    int i = 0;
    for (auto _ : state) {
        std::string name;
        const int sheet = xl.GetActiveSheet(name);
        xl.SetCell(sheet, 6 + i % 20, 1 + i % 25, "1.25");
        ++i;
    }
    xl.QuitApplication();
    fs::remove_all(dir);
}
BENCHMARK(BM_SetCellOnly)->Unit(benchmark::kMicrosecond);

} // namespace
