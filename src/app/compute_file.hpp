// One raw data file read and computed as 打开 and 计算 would: the command-line tool and the
// benchmarks run measurements through it.
#pragma once

#include "compute/compute.hpp"
#include "files/gauging_file.hpp"

#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace tarnelo {

struct FileComputation {
    enum class Status {
        Computed,   // every result was written
        Incomplete, // the file or its input is incomplete; what is missing is in message
        Refused,    // the file or the computation was refused; the reason is in message
        Unreadable, // missing, unreadable or not a raw data file
    };
    Status status = Status::Unreadable;
    // The gauging as read (the factory coefficients where the file holds none) and its
    // computation; both empty when the file was not opened. The gauging's rows are let go once
    // computed: their typed texts are in the computation's table, and a file of ten thousand
    // long rows is not held twice.
    Gauging gauging;
    Computation computation;
    // Whether the file was read (the two above mean something).
    bool opened = false;
    // What was wrong, in the words the window showed; empty when computed.
    std::string message;
};

// Why file could not be opened as a raw data file: missing, not a file, unreadable, or without
// the 流速仪原始数据 line it starts with; a sentence in Chinese.
std::string whyNotOpened(const std::filesystem::path& file);

// Reads file over a gauging with the factory coefficients and computes it, 三点法 weighed by
// threePoint. Never throws for a bad file.
FileComputation computeRawDataFile(const std::filesystem::path& file,
                                   const CheckOptions& options = {},
                                   ThreePointRule threePoint = ThreePointRule::Equal);

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
