#include "app/compute_file.hpp"

#include "platform/system/scratch.hpp"

#include "app/file_commands.hpp"
#include "app/headless_window.hpp"
#include "compute/compute.hpp"
#include "compute/section.hpp"
#include "files/file_io.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"

#include <cstdlib>

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

} // namespace

ScratchProgramFolder::ScratchProgramFolder() : folder_("tarnelo", true) {
    std::error_code error;
    if (folder_.valid() && std::filesystem::create_directory(folder_.path() / "Data", error)) {
        path_ = folder_.path();
    }
}

FileComputation computeRawDataFile(const std::filesystem::path& file,
                                   const std::filesystem::path& programFolder) {
    FileComputation outcome;
    HeadlessWindow window(programFolder);
    // The window's creation step, without the user's default coefficients.
    layoutSheet(window);
    writeDefaultRecordHeader(programFolder);

    if (notARegularFile(file)) {
        outcome.message = whyNotOpened(file);
        return outcome;
    }
    const OpenResult opened = openRawDataFile(window, file);
    switch (opened.outcome) {
    case OpenOutcome::Cancelled:
    case OpenOutcome::NotOpened:
        outcome.message = whyNotOpened(file);
        return outcome;
    case OpenOutcome::Refused:
        outcome.status = FileComputation::Status::Refused;
        outcome.message = opened.message;
        return outcome;
    case OpenOutcome::Incomplete:
    case OpenOutcome::Opened:
        break;
    }

    const ComputeOutcome computed = computeCommand(window);
    outcome.findings = computed.findings;
    if (computed.status == ComputeOutcome::Status::Refused) {
        outcome.status = FileComputation::Status::Refused;
        outcome.message = computed.message;
    } else if (computed.status == ComputeOutcome::Status::Incomplete ||
               computed.status == ComputeOutcome::Status::Cancelled) {
        outcome.status = FileComputation::Status::Incomplete;
        outcome.message = computed.message;
    } else if (opened.outcome == OpenOutcome::Incomplete) {
        outcome.status = FileComputation::Status::Incomplete;
    } else {
        outcome.status = FileComputation::Status::Computed;
    }
    if (opened.outcome == OpenOutcome::Incomplete) {
        outcome.message = opened.message + (outcome.message.empty() ? "" : "\n") + outcome.message;
    }

    const bool vertical = window.isSelected(ctl::垂线模式);
    outcome.mode = vertical ? kVerticalModeName : kVelocityModeName;
    const std::size_t coefficients =
        vertical ? kCoefficientFields.size() : kVelocityModeCoefficients;
    for (std::size_t i = 0; i < coefficients; ++i) {
        const auto field = kCoefficientFields[i].control;
        outcome.coefficients.emplace_back(std::string(field), window.text(field));
    }
    const Sheet& sheet = window.sheet();
    outcome.sheet.resize(static_cast<std::size_t>(sheet.rowCount()));
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            outcome.sheet[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                sheet.cell(r, c);
        }
    }
    for (const auto field : ctl::kResultFields) {
        outcome.results.emplace_back(std::string(field), window.text(field));
    }
    outcome.results.emplace_back(std::string(ctl::致谢框), window.text(ctl::致谢框));
    outcome.uncertainty = estimateUncertainty(readSection(window));
    return outcome;
}

} // namespace tarnelo
