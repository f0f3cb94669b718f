// Opening and computing raw data files: one 40-vertical measurement, and a batch of 10,000
// files as tarnelo-cli compute runs them (read, compute, JSON), beside the same batch through
// a window without a screen over a program folder, the way it was computed before the gauging
// became a value of its own.
#include "app/compute_command.hpp"
#include "app/compute_file.hpp"
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "cli/computation_output.hpp"
#include "files/file_io.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "measure/section.hpp"
#include "support/headless_window.hpp"
#include "support/scratch_program_folder.hpp"
#include "uncertainty/uncertainty.hpp"
#include "window/window_gauging.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnelo {
namespace {

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarnelo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
            std::filesystem::create_directory(path_ / "Data");
            std::filesystem::create_directory(path_ / "Text data");
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Saves a measurement of `verticals` velocity verticals between two water edges.
std::filesystem::path saveMeasurement(const std::filesystem::path& folder, int verticals) {
    HeadlessWindow window(folder);
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    sheet.growTo(verticals + 2);
    sheet.setCell(0, col::起点距, "0");
    sheet.setCell(0, col::水深, "0");
    for (int i = 1; i <= verticals; ++i) {
        const double shape = std::sin(3.14159265 * i / (verticals + 1));
        sheet.setCell(i, col::起点距, num::plainText(2.5 * i));
        sheet.setCell(i, col::水深, num::fixedText(0.4 + 3 * shape, 2));
        sheet.setCell(i, col::相对, "0.6");
        sheet.setCell(i, col::N, num::plainText(4 + std::round(12 * shape)));
        sheet.setCell(i, col::T, num::plainText(100 + i % 17));
    }
    sheet.setCell(verticals + 1, col::起点距, num::plainText(2.5 * (verticals + 1)));
    sheet.setCell(verticals + 1, col::水深, "0");
    const auto file = folder / "Text data" / ("m" + std::to_string(verticals) + ".dat");
    window.answerFileDialog(ctl::通用对话框保存, file);
    saveCommand(window);
    return file;
}

void BM_OpenAndCompute40Verticals(benchmark::State& state) {
    ScratchFolder folder;
    const auto file = saveMeasurement(folder.path(), 40);
    for (auto _ : state) {
        const FileComputation outcome = openGauging(file);
        if (outcome.status != FileComputation::Status::Computed) {
            state.SkipWithError("the 40-vertical measurement did not compute");
            break;
        }
        benchmark::DoNotOptimize(outcome.computation.results.front().data());
    }
}
BENCHMARK(BM_OpenAndCompute40Verticals)->Unit(benchmark::kMicrosecond);

// Reading the file alone, without the window, the header writes or the computation.
void BM_ParseRawData40Verticals(benchmark::State& state) {
    ScratchFolder folder;
    const auto bytes = readFileBytes(saveMeasurement(folder.path(), 40)).value_or("");
    for (auto _ : state) {
        const RawDataRead read = parseRawData(bytes);
        benchmark::DoNotOptimize(read.data.rows);
    }
}
BENCHMARK(BM_ParseRawData40Verticals)->Unit(benchmark::kMicrosecond);

// 10,000 files of a 25-vertical measurement each.
std::vector<std::filesystem::path> tenThousandFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    const auto bytes = readFileBytes(saveMeasurement(folder, 25)).value_or("");
    for (int i = 0; i < 10000; ++i) {
        files.push_back(folder / ("f" + std::to_string(i) + ".dat"));
        writeFileAtomic(files.back(), bytes);
    }
    return files;
}

// What tarnelo-cli compute --json does for 10,000 files: read, compute, the JSON text, on the
// machine's cores, handed over in order.
void BM_ComputeTenThousandFiles(benchmark::State& state) {
    ScratchFolder folder;
    const auto files = tenThousandFiles(folder.path());
    for (auto _ : state) {
        std::size_t bytes = 0;
        computeRawDataFiles(
            files,
            [&](std::size_t i, const FileComputation& outcome) {
                return cli::json(files[i].filename().string(), outcome);
            },
            [&](std::size_t, const FileComputation&, std::string& json) {
                bytes += json.size();
                return true;
            });
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}
BENCHMARK(BM_ComputeTenThousandFiles)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same on one thread: the cost of the work itself.
void BM_ComputeTenThousandFilesOneThread(benchmark::State& state) {
    ScratchFolder folder;
    const auto files = tenThousandFiles(folder.path());
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& file : files) {
            bytes += cli::json(file.filename().string(), openGauging(file)).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}
BENCHMARK(BM_ComputeTenThousandFilesOneThread)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same 10,000 files the earlier way, for comparison: each opened by 打开 into a window
// without a screen over a program folder, computed
// by 计算 and read back from the window, the uncertainty from the sheet. No JSON.
void BM_ComputeTenThousandFilesThroughAWindow(benchmark::State& state) {
    ScratchFolder folder;
    const ScratchProgramFolder work;
    const auto files = tenThousandFiles(folder.path());
    setWritesFlushedToDisk(false);
    for (auto _ : state) {
        for (const auto& file : files) {
            HeadlessWindow window(work.path());
            layoutSheet(window);
            openRawDataFile(window, file);
            const ComputeOutcome computed = computeCommand(window);
            benchmark::DoNotOptimize(computed.status);
            benchmark::DoNotOptimize(estimateUncertainty(readSection(
                gaugingOf(window), tableOf(window.sheet()), window.text(ctl::断面流量))));
        }
    }
    setWritesFlushedToDisk(true);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}
BENCHMARK(BM_ComputeTenThousandFilesThroughAWindow)->Unit(benchmark::kMillisecond)->Iterations(1);

// The three shapes of large input that once took far more memory than their size: five
// million short lines (15 MB), eight million LF-only lines (16 MB), and five columns of
// 10,000 values of 256 digits (13 MB).
std::string largeInput(int shape) {
    const std::string tag = "\xC1\xF7\xCB\xD9\xD2\xC7\xD4\xAD\xCA\xBC\xCA\xFD\xBE\xDD,"
                            "\xB4\xB9\xCF\xDF\xC4\xA3\xCA\xBD"; // 流速仪原始数据,垂线模式
    const std::string eol = shape == 1 ? "\n" : "\r\n";
    std::string bytes = tag + eol + "0.85,0.7,0.7,20,0.6793,0.0033" + eol;
    if (shape == 0 || shape == 1) {
        const int lines = shape == 0 ? 5'000'000 : 8'000'000;
        bytes.reserve(bytes.size() + static_cast<std::size_t>(lines) * 3);
        for (int i = 0; i < lines; ++i) {
            bytes += "1" + eol;
        }
        return bytes;
    }
    const std::string value = "1" + std::string(255, '2');
    for (int k = 0; k < 5; ++k) {
        for (int r = 0; r < 10'000; ++r) {
            bytes += (r == 0 ? "" : ",") + value;
        }
        bytes += eol;
    }
    return bytes;
}

// Resident memory of this process now, in KB.
long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Opening (and computing) a large file as tarnelo-cli compute does. The counter peak_kb is
// what one such run adds to the process at its peak, measured in a child process.
void BM_ReadLargeInput(benchmark::State& state) {
    ScratchFolder folder;
    const auto file = folder.path() / "large.dat";
    const std::string bytes = largeInput(static_cast<int>(state.range(0)));
    writeFileAtomic(file, bytes);
    // Measured first, with the memory earlier benchmarks freed given back, so that the child
    // finds no resident heap to reuse.
    ::malloc_trim(0);
    const long before = residentKb();
    const pid_t child = ::fork();
    if (child == 0) {
        openGauging(file);
        ::_exit(0);
    }
    int status = 0;
    struct rusage usage {};
    if (child > 0 && ::wait4(child, &status, 0, &usage) == child) {
        state.counters["peak_kb"] = static_cast<double>(usage.ru_maxrss - before);
        state.counters["file_kb"] = static_cast<double>(bytes.size() / 1024);
    }
    for (auto _ : state) {
        const FileComputation outcome = openGauging(file);
        benchmark::DoNotOptimize(outcome.status);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadLargeInput)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace tarnelo
