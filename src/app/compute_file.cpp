#include "app/compute_file.hpp"

#include "files/file_io.hpp"
#include "sheet/sheet.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

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

FileComputation computeRead(GaugingFile read) {
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
    outcome.computation = compute(outcome.gauging);
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

FileComputation computeRawDataFile(const std::filesystem::path& file) {
    if (notARegularFile(file)) {
        FileComputation outcome;
        outcome.message = whyNotOpened(file);
        return outcome;
    }
    FileComputation outcome = computeRead(readGaugingFile(file));
    if (outcome.status == FileComputation::Status::Unreadable) {
        outcome.message = whyNotOpened(file);
    }
    return outcome;
}

FileComputation computeRawDataBytes(std::string_view bytes, std::string_view name) {
    FileComputation outcome = computeRead(readGaugingBytes(bytes, name));
    if (outcome.status == FileComputation::Status::Unreadable) {
        outcome.message = "不是流速仪原始数据文件（开头没有“流速仪原始数据”）。";
    }
    return outcome;
}

int listedRows(const FileComputation& outcome) {
    return std::max(outcome.computation.table.rowCount(), Sheet::kInitialRows);
}

} // namespace tarnelo
