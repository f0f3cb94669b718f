// Small gaugings written as 保存 writes them, for the station-table tests and benchmarks.
#pragma once

#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "sheet/sheet.hpp"
#include "station/station_gauging.hpp"
#include "window/window_gauging.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tarnelo::testing {

struct MadeGauging {
    std::string station = "青石桥";
    std::string time = "2024年7月12日8时30分至9时45分";
    std::string number = "1";
    std::string stage = "45.12";
    // Scales depths and velocities: larger gives a larger discharge.
    double scale = 1.0;
    // A depth typed as a letter, which the check pass marks as 错误.
    bool badDepth = false;
    // The base gauge's readings at start and end and its gauge zero.
    std::string gaugeFrom;
    std::string gaugeTo;
    std::string gaugeZero;
};

// A velocity-mode gauging of eight verticals between two water edges.
inline std::string gaugingBytes(const MadeGauging& made) {
    Sheet sheet;
    const double distances[] = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18};
    for (int r = 0; r < 10; ++r) {
        const double x = distances[r];
        const bool edge = r == 0 || r == 9;
        const double shape = std::sin(3.14159265 * x / 18.0);
        char depth[32];
        char velocity[32];
        std::snprintf(depth, sizeof depth, "%.2f", 1.5 * made.scale * std::pow(shape, 0.6));
        std::snprintf(velocity, sizeof velocity, "%.2f",
                      0.2 + 0.6 * made.scale * std::pow(shape, 0.7));
        sheet.setCell(r, col::起点距, std::to_string(static_cast<int>(x)));
        sheet.setCell(r, col::水深, edge ? "0" : depth);
        if (!edge) {
            sheet.setCell(r, col::相对, "0.6");
            sheet.setCell(r, col::测点流速, velocity);
        }
    }
    if (made.badDepth) {
        sheet.setCell(4, col::水深, "l.2");
    }
    std::array<std::string, 39> header{};
    header[station::hdr::测站名称] = made.station;
    header[station::hdr::施测时间] = made.time;
    header[station::hdr::相应水位] = made.stage;
    header[station::hdr::施测号数] = made.number;
    header[station::hdr::断面位置] = "基本水尺断面";
    header[station::hdr::基本水尺读数始] = made.gaugeFrom;
    header[station::hdr::基本水尺读数终] = made.gaugeTo;
    header[station::hdr::基本水尺零点高程] = made.gaugeZero;
    Gauging gauging;
    gauging.mode = EntryMode::Velocity;
    gauging.coefficients[0] = "0.85";
    gauging.coefficients[1] = "0.7";
    gauging.coefficients[2] = "0.7";
    gauging.rows = typedRowsOf(sheet);
    const auto headerBytes = recordHeaderBytes(header);
    return headerBytes ? gaugingFileBytes(gauging, *headerBytes).bytes.value_or(std::string())
                       : std::string();
}

inline void writeGauging(const std::filesystem::path& file, const MadeGauging& made) {
    writeFileAtomic(file, gaugingBytes(made));
}

// count gaugings of one station through 2024 into folder, g100000.dat onwards: the benchmarks'
// station year.
inline void writeGaugingYear(const std::filesystem::path& folder, int count) {
    for (int i = 0; i < count; ++i) {
        MadeGauging made;
        const int day = i % 365;
        made.time = "2024年" + std::to_string(1 + day / 31 % 12) + "月" +
                    std::to_string(1 + day % 28) + "日8时" + std::to_string(10 + i % 40) +
                    "分至9时15分";
        made.number = std::to_string(i + 1);
        made.scale = 0.6 + (i % 50) * 0.03;
        made.stage = num::fixedText(44.0 + made.scale, 2);
        writeGauging(folder / ("g" + std::to_string(100000 + i) + ".dat"), made);
    }
}

} // namespace tarnelo::testing
