// The main window as the commands see it: its controls, named by their template names.
// The Qt main window implements this interface; the tests drive the same commands through a
// window without a screen (tests/support/headless_window.hpp).
#pragma once

#include "gauging/gauging.hpp"
#include "window/user_dialogs.hpp"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnelo {

class Sheet;

// Template names of the main window's controls (also the Qt objectNames).
namespace ctl {
// Group boxes and status bar.
inline constexpr std::string_view 分组框1 = "分组框1";
inline constexpr std::string_view 分组框2 = "分组框2";
inline constexpr std::string_view 分组框3 = "分组框3";
inline constexpr std::string_view 状态条1 = "状态条1";
// The sheet.
inline constexpr std::string_view 高级表格1 = "高级表格1";
// Heading band over the sheet.
inline constexpr std::string_view 标签1 = "标签1";
inline constexpr std::string_view 标签2 = "标签2";
inline constexpr std::string_view 标签3 = "标签3";
inline constexpr std::string_view 标签4 = "标签4";
inline constexpr std::string_view 标签5 = "标签5";
inline constexpr std::string_view 标签6 = "标签6";
inline constexpr std::string_view 标签7 = "标签7";
inline constexpr std::string_view 标签8 = "标签8";
inline constexpr std::string_view 标签9 = "标签9";
inline constexpr std::string_view 标签10 = "标签10";
inline constexpr std::string_view 标签11 = "标签11";
inline constexpr std::string_view 标签12 = "标签12";
inline constexpr std::string_view 标签13 = "标签13";
inline constexpr std::string_view 标签14 = "标签14";
inline constexpr std::string_view 标签15 = "标签15";
inline constexpr std::string_view 标签16 = "标签16";
inline constexpr std::string_view 标签17 = "标签17";
inline constexpr std::string_view 标签18 = "标签18";
inline constexpr std::string_view 标签19 = "标签19";
inline constexpr std::string_view 标签20 = "标签20";
inline constexpr std::string_view 标签21 = "标签21";
inline constexpr std::string_view 标签22 = "标签22";
// Coefficient labels and fields.
inline constexpr std::string_view 标签23 = "标签23";
inline constexpr std::string_view 标签24 = "标签24";
inline constexpr std::string_view 标签25 = "标签25";
inline constexpr std::string_view 标签26 = "标签26";
inline constexpr std::string_view 标签27 = "标签27";
inline constexpr std::string_view 水面系数编辑框 = "水面系数编辑框";
inline constexpr std::string_view 岸边系数编辑框01 = "岸边系数编辑框01";
inline constexpr std::string_view 岸边系数编辑框02 = "岸边系数编辑框02";
inline constexpr std::string_view 信号转数编辑框 = "信号转数编辑框";
inline constexpr std::string_view 计算公式编辑框01 = "计算公式编辑框01";
inline constexpr std::string_view 计算公式编辑框02 = "计算公式编辑框02";
inline constexpr std::string_view 更多 = "更多";
inline constexpr std::string_view 保存系数 = "保存系数";
// Result labels and fields.
inline constexpr std::string_view 标签28 = "标签28";
inline constexpr std::string_view 标签29 = "标签29";
inline constexpr std::string_view 标签30 = "标签30";
inline constexpr std::string_view 标签31 = "标签31";
inline constexpr std::string_view 标签32 = "标签32";
inline constexpr std::string_view 标签33 = "标签33";
inline constexpr std::string_view 标签34 = "标签34";
inline constexpr std::string_view 标签35 = "标签35";
inline constexpr std::string_view 断面流量 = "断面流量";
inline constexpr std::string_view 断面面积 = "断面面积";
inline constexpr std::string_view 平均流速 = "平均流速";
inline constexpr std::string_view 最大流速 = "最大流速";
inline constexpr std::string_view 水面宽 = "水面宽";
inline constexpr std::string_view 平均水深 = "平均水深";
inline constexpr std::string_view 最大水深 = "最大水深";
inline constexpr std::string_view 致谢框 = "致谢框";
// Program control.
inline constexpr std::string_view 标签36 = "标签36";
inline constexpr std::string_view 编辑框当前操作数据 = "编辑框当前操作数据";
inline constexpr std::string_view 垂线模式 = "垂线模式";
inline constexpr std::string_view 测速模式 = "测速模式";
inline constexpr std::string_view 计算 = "计算";
inline constexpr std::string_view 清空 = "清空";
inline constexpr std::string_view 打开 = "打开";
inline constexpr std::string_view 保存 = "保存";
inline constexpr std::string_view 导出Excel = "导出Excel";
inline constexpr std::string_view 打印 = "打印";
inline constexpr std::string_view 进度条1 = "进度条1";
// The file dialogs' names are in window/user_dialogs.hpp.

// The seven section results.
inline constexpr std::string_view kResultFields[] = {断面流量, 断面面积, 平均流速, 最大流速,
                                                     水面宽,   平均水深, 最大水深};
} // namespace ctl

// A coefficient field, the name users know it by (messages) and its short label (listings).
struct CoefficientField {
    std::string_view control;
    std::string_view name;
    std::string_view label;
};
// The six coefficient fields, in the gauging's coefficient order.
inline constexpr std::array<CoefficientField, kCoefficientCount> kCoefficientFields{{
    {ctl::水面系数编辑框, kCoefficientNames[0].name, kCoefficientNames[0].label},
    {ctl::岸边系数编辑框01, kCoefficientNames[1].name, kCoefficientNames[1].label},
    {ctl::岸边系数编辑框02, kCoefficientNames[2].name, kCoefficientNames[2].label},
    {ctl::信号转数编辑框, kCoefficientNames[3].name, kCoefficientNames[3].label},
    {ctl::计算公式编辑框01, kCoefficientNames[4].name, kCoefficientNames[4].label},
    {ctl::计算公式编辑框02, kCoefficientNames[5].name, kCoefficientNames[5].label},
}};

// The texts a control shows when the window is made: captions, labels and default coefficients.
struct InitialText {
    std::string_view control;
    std::string_view text;
};
std::span<const InitialText> initialTexts();

// Colour values the sheet layout writes into heading labels.
inline constexpr int kRed = 255;
inline constexpr int kBlack = 0;

class Window : public UserDialogs {
  public:
    ~Window() override = default;

    // Text of an edit box (its content), a label or a button (its caption).
    virtual std::string text(std::string_view control) const = 0;
    virtual void setText(std::string_view control, std::string_view text) = 0;

    // Radio boxes 垂线模式 and 测速模式 form one group: selecting one deselects the other.
    // Selecting from the program runs no click command.
    virtual bool isSelected(std::string_view radio) const = 0;
    virtual void setSelected(std::string_view radio, bool selected) = 0;

    virtual bool isEnabled(std::string_view control) const = 0;
    virtual void setEnabled(std::string_view control, bool enabled) = 0;

    // Text colour of a label, as a colour value (255 red, 0 black).
    virtual int textColour(std::string_view label) const = 0;
    virtual void setTextColour(std::string_view label, int colour) = 0;

    // The sheet 高级表格1.
    virtual Sheet& sheet() = 0;
    virtual const Sheet& sheet() const = 0;

    // Position of 进度条1, 0 to 100.
    virtual int progress() const = 0;
    virtual void setProgress(int value) = 0;

    // The status bar 状态条1.
    virtual void setStatus(std::string_view text) = 0;

    // showMessage, ask, chooseFile and askText: the window's boxes and dialogs (UserDialogs).

    // The station's class (1, 2 or 3, 一类 to 三类精度站) the checks apply, as the user set it
    // for the station's year; 2 where nothing is set.
    virtual int stationClass() const { return 2; }
    // How the station weighs 三点法, as the user set it; equal weights where nothing is set.
    virtual ThreePointRule threePointRule() const { return ThreePointRule::Equal; }

    // Opens the record-header dialog as a modal window and returns when it is closed.
    virtual void openRecordHeaderDialog() = 0;

    // The record header of the open measurement as a raw data file carries it after its data
    // (GBK, lines by CR LF). It lives with the measurement, in memory: 打开 sets it from the
    // file, 清空 and the start make it blank, 更多 edits it and 保存 writes it into the file.
    virtual std::string recordHeader() const = 0;
    virtual void setRecordHeader(std::string_view headerPart) = 0;

    // Opens an address (or a local file) in the user's browser.
    virtual void openUrl(std::string_view address) = 0;

    // Waits ms milliseconds while the window stays painted.
    virtual void pause(int milliseconds) = 0;

    // The folder that holds the program.
    virtual std::filesystem::path programFolder() const = 0;

    // The folder that holds the dialogs' "Text data" and "excel" folders: the program folder,
    // or for an installed program the Tarnelo folder in the user's documents.
    virtual std::filesystem::path documentFolder() const { return programFolder(); }
};

} // namespace tarnelo
