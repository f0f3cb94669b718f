#include "app/shell.hpp"

#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "files/coefficient_file.hpp"
#include "files/file_access.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "gauging/gauging.hpp"
#include "sheet/sheet.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <system_error>

namespace tarnelo {

namespace {

std::string selectedMode(const Window& window) {
    if (window.isSelected(ctl::垂线模式)) {
        return std::string(ctl::垂线模式);
    }
    if (window.isSelected(ctl::测速模式)) {
        return std::string(ctl::测速模式);
    }
    return {};
}

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

} // namespace

namespace shelltext {

std::string statement() {
    return "Tarnelo 13.05 是流速仪法（流速面积法）实测流量的计算工具：它按录入的起点距、水深、"
           "测点位置和测速记录计算各部分流量与断面流量，并填写流量记载表。\n\n"
           "计算结果必须由水文技术人员对照原始记录复核后方可使用。本软件按现状提供，不附带任何"
           "明示或暗示的担保；因使用本软件造成的任何损失，作者不承担责任。";
}

std::string donation() {
    return "    感谢您使用本软件，如果本软件对您的工作有所帮助请您慷慨解囊，为本软件捐助10元，"
           "我会为您提供更完美的工作体验，谢谢！\n\n"
           "使用中的问题请查阅本软件的用户指南（菜单“简介”→“用户指南”）。";
}

} // namespace shelltext

void creationStep(Window& window) {
    layoutSheet(window);
    window.setRecordHeader(kDefaultRecordHeader);
    const std::filesystem::path folder = window.programFolder();
    const std::filesystem::path data = paths::dataFolder(folder);
    std::error_code error;
    if (!std::filesystem::is_directory(data, error)) {
        window.showMessage("程序的 Data 文件夹“" + paths::toUtf8(data) +
                               "”不存在：默认系数、测站记录表头和记载表模板都无法使用。"
                               "请重新安装本软件。",
                           shelltext::kNoticeTitle, MessageIcon::Warning);
        return;
    }
    // Writes that an earlier run could not finish leave their temporary files behind.
    for (const auto& place : {data, paths::textDataFolder(folder), paths::excelFolder(folder)}) {
        removeStaleTemporaries(place);
    }
    loadCoefficientFile(window);
    if (!mayWrite(data)) {
        window.showMessage("程序的 Data 文件夹“" + paths::toUtf8(data) +
                               "”不可写入：“设为默认”和导出、打印都无法进行。"
                               "请检查该文件夹的权限。",
                           shelltext::kNoticeTitle, MessageIcon::Warning);
    }
}

void modeSwitchCommand(Window& window) {
    layoutSheet(window);
}

void recordHeaderCommand(Window& window) {
    window.openRecordHeaderDialog();
}

void guideCommand(Window& window) {
    const std::filesystem::path guide = paths::guideFile(window.programFolder());
    std::error_code error;
    if (!std::filesystem::is_regular_file(guide, error)) {
        window.showMessage(shelltext::kGuideMissing, shelltext::kNoticeTitle,
                           MessageIcon::Information);
        return;
    }
    window.openUrl(utf8(guide));
}

void donationCommand(Window& window) {
    window.showMessage(shelltext::donation(), shelltext::kDonationTitle, MessageIcon::Information);
}

void statementCommand(Window& window) {
    window.showMessage(shelltext::statement(), shelltext::kStatementTitle,
                       MessageIcon::Information);
}

InputSnapshot takeInputSnapshot(const Window& window) {
    InputSnapshot snapshot;
    snapshot.mode = selectedMode(window);
    for (std::size_t i = 0; i < snapshot.coefficients.size(); ++i) {
        snapshot.coefficients[i] = window.text(kCoefficientFields[i].control);
    }
    const Sheet& sheet = window.sheet();
    snapshot.rows.resize(static_cast<std::size_t>(sheet.rowCount()));
    for (int r = 0; r < sheet.rowCount(); ++r) {
        auto& row = snapshot.rows[static_cast<std::size_t>(r)];
        const auto typed = eitherModeTypedColumns();
        for (std::size_t i = 0; i < typed.size(); ++i) {
            row[i] = sheet.cell(r, typed[i]);
        }
    }
    snapshot.header = parseRecordHeader(window.recordHeader());
    // Rows added by Enter and left empty are no input.
    while (!snapshot.rows.empty() &&
           std::all_of(snapshot.rows.back().begin(), snapshot.rows.back().end(),
                       [](const std::string& text) { return text.empty(); })) {
        snapshot.rows.pop_back();
    }
    return snapshot;
}

bool inputDiffers(const Window& window, const InputSnapshot& snapshot) {
    const InputSnapshot now = takeInputSnapshot(window);
    if (now.mode != snapshot.mode || now.coefficients != snapshot.coefficients) {
        return true;
    }
    const EntryMode mode = now.mode == ctl::测速模式 ? EntryMode::Velocity : EntryMode::Vertical;
    const auto typed = eitherModeTypedColumns();
    const std::array<std::string, 6> emptyRow{};
    const std::size_t rows = std::max(now.rows.size(), snapshot.rows.size());
    for (std::size_t r = 0; r < rows; ++r) {
        const auto& a = r < now.rows.size() ? now.rows[r] : emptyRow;
        const auto& b = r < snapshot.rows.size() ? snapshot.rows[r] : emptyRow;
        for (std::size_t i = 0; i < typed.size(); ++i) {
            if (typesColumn(mode, typed[i]) && a[i] != b[i]) {
                return true;
            }
        }
    }
    return false;
}

bool inputUnsaved(const Window& window, const InputSnapshot& snapshot) {
    return inputDiffers(window, snapshot) ||
           parseRecordHeader(window.recordHeader()) != snapshot.header;
}

bool confirmQuit(Window& window, const InputSnapshot& snapshot) {
    if (!inputUnsaved(window, snapshot)) {
        return true;
    }
    return window.ask(shelltext::kQuitQuestion, shelltext::kNoticeTitle);
}

bool confirmDiscard(Window& window, const InputSnapshot& snapshot) {
    if (!inputUnsaved(window, snapshot)) {
        return true;
    }
    return window.ask(shelltext::kDiscardQuestion, shelltext::kNoticeTitle);
}

} // namespace tarnelo
