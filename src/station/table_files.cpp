// A station's files found and read into the table, one entry kept of each gauging.
#include "station/station_table.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <thread>

namespace tarnelo::station {

StationTable readStationTable(std::size_t count,
                              const std::function<StationGauging(std::size_t)>& read,
                              std::optional<int> year, const std::function<bool()>& stopped) {
    // Each worker reads and computes one gauging at a time and keeps only its entry, so that the
    // run holds a row's worth of each gauging, never the gaugings themselves.
    TableEntries entries;
    entries.rows.resize(count);
    entries.notes.resize(count);
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < count && !(stopped && stopped()); i = next++) {
            tableEntry(read(i), year, entries.rows[i], entries.notes[i]);
        }
    };
    if (threads == 1 || count < 64) {
        work();
    } else {
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < threads; ++t) {
            pool.emplace_back(work);
        }
        work();
        for (std::thread& thread : pool) {
            thread.join();
        }
    }
    if (stopped && stopped()) {
        return {};
    }
    return tableOfEntries(std::move(entries), year, stopped);
}

StationTable readStationTable(std::vector<std::filesystem::path> files, std::optional<int> year,
                              const std::function<bool()>& stopped, ThreePointRule threePoint) {
    // A file's name moves from the list into its row.
    return readStationTable(
        files.size(),
        [&](std::size_t i) {
            StationGauging g = readGauging(files[i], threePoint);
            files[i] = std::filesystem::path();
            return g;
        },
        year, stopped);
}

std::vector<std::filesystem::path> gaugingFiles(const std::vector<std::filesystem::path>& paths,
                                                std::vector<TableProblem>& problems) {
    std::vector<std::filesystem::path> files;
    for (const auto& path : paths) {
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (status.type() == std::filesystem::file_type::directory) {
            std::vector<std::filesystem::path> found;
            for (std::filesystem::directory_iterator it(path, error), end; !error && it != end;
                 it.increment(error)) {
                std::string ext = it->path().extension().string();
                std::transform(ext.begin(), ext.end(), ext.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                std::error_code typeError;
                if (ext == ".dat" && !it->is_directory(typeError)) {
                    found.push_back(it->path());
                }
            }
            if (error) {
                problems.push_back({path, "无法读取文件夹：" + error.message(), false});
            }
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else {
            // Missing and special files are named by the reader.
            files.push_back(path);
        }
    }
    return files;
}

} // namespace tarnelo::station
