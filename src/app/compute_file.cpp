#include "app/compute_file.hpp"

#include "files/file_io.hpp"
#include "sheet/sheet.hpp"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace tarnelo {

void computeRawDataFiles(std::span<const std::filesystem::path> files, const FileRendering& render,
                         const FileUse& use, const CheckOptions& options,
                         ThreePointRule threePoint) {
    // A batch keeps the memory of many large files bounded and the output flowing.
    constexpr std::size_t kMostFiles = 64;
    constexpr std::uintmax_t kMostBytes = std::uintmax_t(4) << 20;
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    OpenOptions open;
    open.checks = options;
    open.threePoint = threePoint;
    std::vector<FileComputation> outcomes;
    std::vector<std::string> rendered;
    for (std::size_t first = 0; first < files.size();) {
        std::size_t last = first;
        std::uintmax_t bytes = 0;
        while (last < files.size() && last - first < kMostFiles &&
               (last == first || bytes < kMostBytes)) {
            std::error_code error;
            const std::uintmax_t size = std::filesystem::file_size(files[last], error);
            bytes += error ? 0 : size;
            ++last;
        }
        const std::size_t count = last - first;
        outcomes.assign(count, FileComputation{});
        rendered.assign(count, std::string());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < count; i = next++) {
                outcomes[i] = openGauging(files[first + i], open);
                // The typed texts are in the computation's table: a file of ten thousand long
                // rows is not held twice.
                std::vector<GaugingRow>().swap(outcomes[i].gauging.rows);
                if (render) {
                    rendered[i] = render(first + i, outcomes[i]);
                }
            }
        };
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < std::min(threads, count); ++t) {
            pool.emplace_back(work);
        }
        work();
        for (std::thread& thread : pool) {
            thread.join();
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!use(first + i, outcomes[i], rendered[i])) {
                return;
            }
            // Handed over: a large file's table is not kept until the batch ends.
            outcomes[i] = FileComputation{};
            std::string().swap(rendered[i]);
        }
        first = last;
    }
}

int listedRows(const FileComputation& outcome) {
    return std::max(outcome.computation.table.rowCount(), Sheet::kInitialRows);
}

} // namespace tarnelo
