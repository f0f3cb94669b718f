#include "app/compute_file.hpp"

#include "files/file_io.hpp"
#include "sheet/sheet.hpp"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace tarnelo {

namespace {

FileComputation computeRead(GaugingFile read, const CheckOptions& options,
                            ThreePointRule threePoint) {
    FileComputation outcome;
    switch (read.status) {
    case GaugingFile::Status::NotOpened:
        return outcome;
    case GaugingFile::Status::Refused:
        outcome.status = FileComputation::Status::Refused;
        outcome.message = std::move(read.message);
        return outcome;
    case GaugingFile::Status::Incomplete:
    case GaugingFile::Status::Opened:
        break;
    }
    outcome.opened = true;
    outcome.gauging = std::move(read.gauging);
    outcome.gauging.threePoint = threePoint;
    outcome.computation = compute(outcome.gauging, options);
    std::vector<GaugingRow>().swap(outcome.gauging.rows);
    const Computation& computed = outcome.computation;
    const bool incompleteFile = read.status == GaugingFile::Status::Incomplete;
    if (computed.status == Computation::Status::Refused) {
        outcome.status = FileComputation::Status::Refused;
        outcome.message = computed.message;
    } else if (computed.status == Computation::Status::Incomplete) {
        outcome.status = FileComputation::Status::Incomplete;
        outcome.message = computed.message;
    } else if (incompleteFile) {
        outcome.status = FileComputation::Status::Incomplete;
    } else {
        outcome.status = FileComputation::Status::Computed;
    }
    if (incompleteFile) {
        outcome.message = read.message + (outcome.message.empty() ? "" : "\n") + outcome.message;
    }
    return outcome;
}

} // namespace

std::string whyNotOpened(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return "文件不存在。";
    }
    if (const auto kind = notARegularFile(file)) {
        return "是" + *kind + "，不是文件。";
    }
    if (!readFileBytes(file, std::size_t(1) << 26)) {
        return "无法读取文件。";
    }
    return "不是流速仪原始数据文件（开头没有“流速仪原始数据”）。";
}

FileComputation computeRawDataFile(const std::filesystem::path& file, const CheckOptions& options,
                                   ThreePointRule threePoint) {
    GaugingFile read = readGaugingFile(file);
    if (read.notAFile) {
        FileComputation outcome;
        outcome.message = whyNotOpened(file);
        return outcome;
    }
    FileComputation outcome = computeRead(std::move(read), options, threePoint);
    if (outcome.status == FileComputation::Status::Unreadable) {
        outcome.message = whyNotOpened(file);
    }
    return outcome;
}

void computeRawDataFiles(std::span<const std::filesystem::path> files, const FileRendering& render,
                         const FileUse& use, const CheckOptions& options,
                         ThreePointRule threePoint) {
    // A batch keeps the memory of many large files bounded and the output flowing.
    constexpr std::size_t kMostFiles = 64;
    constexpr std::uintmax_t kMostBytes = std::uintmax_t(4) << 20;
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
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
                outcomes[i] = computeRawDataFile(files[first + i], options, threePoint);
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
