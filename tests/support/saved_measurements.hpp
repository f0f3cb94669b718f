// Every raw data file the project keeps: the bundled examples and the test data.
#pragma once

#include <filesystem>
#include <vector>

namespace tarnelo::testing {

inline std::vector<std::filesystem::path> savedMeasurements() {
    namespace fs = std::filesystem;
    const fs::path source(TARNELO_SOURCE_DIR);
    std::vector<fs::path> files;
    for (const fs::path& folder : {source / "examples", source / "tests" / "data"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() == ".dat") {
                files.push_back(entry.path());
            }
        }
    }
    return files;
}

} // namespace tarnelo::testing
