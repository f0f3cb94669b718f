// Many raw data files opened and computed through the one door (files/open_gauging.hpp) on the
// machine's cores: the command-line tool and the benchmarks run measurements through it.
#pragma once

#include "compute/compute.hpp"
#include "files/open_gauging.hpp"

#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace tarnelo {

// The rows a listing shows: a new sheet holds 20 rows, and a file's rows beyond them.
int listedRows(const FileComputation& outcome);

// What a caller makes of one computed file on the thread that computed it (the JSON text, say).
using FileRendering = std::function<std::string(std::size_t index, const FileComputation&)>;
// What the caller does with each file, in the files' order, on the calling thread; false stops
// the run before the next file.
using FileUse =
    std::function<bool(std::size_t index, const FileComputation&, std::string& rendered)>;

// Computes many files on the machine's cores, a batch at a time (at most 64 files and a few MB
// of them), and hands each to `use` in order. A stop is honoured between files; what was
// computed beyond it is dropped.
void computeRawDataFiles(std::span<const std::filesystem::path> files, const FileRendering& render,
                         const FileUse& use, const CheckOptions& options = {},
                         ThreePointRule threePoint = ThreePointRule::Equal);

} // namespace tarnelo
