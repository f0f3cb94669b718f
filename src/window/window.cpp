#include "window/window.hpp"

#include "sheet/sheet.hpp"

#include <array>

namespace tarnelo {

namespace {

constexpr std::array kInitialTexts{
    InitialText{ctl::分组框3, "Tarnelo"},
    InitialText{ctl::分组框1, "计算系数"},
    InitialText{ctl::分组框2, "程序控制"},
    InitialText{ctl::标签1, "号数"},
    InitialText{ctl::标签2, "起点距"},
    InitialText{ctl::标签3, "水深"},
    InitialText{ctl::标签12, "仪器位置"},
    InitialText{ctl::标签4, "相对"},
    InitialText{ctl::标签5, "测点深"},
    InitialText{ctl::标签6, "测速记录"},
    InitialText{ctl::标签7, "N"},
    InitialText{ctl::标签8, "T"},
    InitialText{ctl::标签9, "总转数"},
    InitialText{ctl::标签19, "流 速 （米/秒）"},
    InitialText{ctl::标签13, "测点流速"},
    InitialText{ctl::标签14, "系数"},
    InitialText{ctl::标签15, "平均流速"},
    InitialText{ctl::标签10, "岸边/部分"},
    InitialText{ctl::标签22, "测深垂线间"},
    InitialText{ctl::标签20, "平均水深"},
    InitialText{ctl::标签21, "间距"},
    InitialText{ctl::标签11, "水道断面面积"},
    InitialText{ctl::标签16, "测深垂线"},
    InitialText{ctl::标签17, "部分"},
    InitialText{ctl::标签18, "部分流量"},
    InitialText{ctl::标签28, "断面流量:"},
    InitialText{ctl::标签29, "断面面积:"},
    InitialText{ctl::标签30, "平均流速:"},
    InitialText{ctl::标签31, "最大流速:"},
    InitialText{ctl::标签32, "水面宽:"},
    InitialText{ctl::标签33, "平均水深:"},
    InitialText{ctl::标签34, "最大水深:"},
    InitialText{ctl::标签35, "完成情况:"},
    InitialText{ctl::断面流量, ""},
    InitialText{ctl::断面面积, ""},
    InitialText{ctl::平均流速, ""},
    InitialText{ctl::最大流速, ""},
    InitialText{ctl::水面宽, ""},
    InitialText{ctl::平均水深, ""},
    InitialText{ctl::最大水深, ""},
    InitialText{ctl::致谢框, ""},
    InitialText{ctl::标签23, "水面系数:"},
    InitialText{ctl::水面系数编辑框, "0.6"},
    InitialText{ctl::标签24, "岸边系数:"},
    InitialText{ctl::岸边系数编辑框01, "0.7"},
    InitialText{ctl::岸边系数编辑框02, "0.7"},
    InitialText{ctl::标签25, "信号转数:"},
    InitialText{ctl::信号转数编辑框, "20"},
    InitialText{ctl::标签26, "V ="},
    InitialText{ctl::计算公式编辑框01, "0.6793"},
    InitialText{ctl::标签27, "N/T+"},
    InitialText{ctl::计算公式编辑框02, "0.0033"},
    InitialText{ctl::更多, "更多..."},
    InitialText{ctl::保存系数, "设为默认"},
    InitialText{ctl::标签36, "当前操作数据:"},
    InitialText{ctl::编辑框当前操作数据, ""},
    InitialText{ctl::垂线模式, "垂线模式"},
    InitialText{ctl::测速模式, "测速模式"},
    InitialText{ctl::计算, "计算"},
    InitialText{ctl::清空, "清空"},
    InitialText{ctl::打开, "打开"},
    InitialText{ctl::保存, "保存"},
    InitialText{ctl::导出Excel, "导出Excel"},
    InitialText{ctl::打印, "打印"},
};

} // namespace

std::span<const InitialText> initialTexts() {
    return kInitialTexts;
}

} // namespace tarnelo
