// The parts of a workbook file, by name, for tests that compare two workbooks.
#pragma once

#include "platform/workbook/package.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnelo::testing {

inline std::vector<xlsx::RawPart> partsOf(const std::filesystem::path& workbook) {
    std::vector<xlsx::RawPart> parts;
    std::string problem;
    EXPECT_TRUE(xlsx::readPackage(workbook, parts, problem)) << problem;
    return parts;
}

} // namespace tarnelo::testing
