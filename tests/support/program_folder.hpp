// A private program folder for file tests: Data and Text data beside an imaginary executable.
#pragma once

#include "files/file_io.hpp"
#include "platform/system/scratch.hpp"
#include "window/program_paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnelo::testing {

class ProgramFolder {
  public:
    ProgramFolder() : scratch_("tarnelo-files"), path_(scratch_.path()) {
        if (!scratch_.valid()) {
            ADD_FAILURE() << "cannot make a temporary folder";
        }
        std::filesystem::create_directory(path_ / "Data");
        std::filesystem::create_directory(path_ / "Text data");
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path snap() const { return path_ / "Data" / "snap.dat"; }
    std::filesystem::path textData(const std::string& name) const {
        return path_ / "Text data" / paths::fromUtf8(name);
    }

  private:
    sys::ScratchFolder scratch_;
    std::filesystem::path path_;
};

// Expected bytes kept in tests/data/files.
inline std::string expectedBytes(const std::string& name) {
    const auto bytes = readFileBytes(std::filesystem::path(TARNELO_TEST_DATA) / "files" / name);
    if (!bytes) {
        ADD_FAILURE() << "missing test data " << name;
    }
    return bytes.value_or(std::string());
}

inline std::string bytesOf(const std::filesystem::path& file) {
    return readFileBytes(file).value_or(std::string("<unreadable>"));
}

} // namespace tarnelo::testing
