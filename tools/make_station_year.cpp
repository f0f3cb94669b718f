// Writes the demonstration folder examples/station-year: one year of gaugings of an invented
// station (柳溪 石门站), generated from a known stage–discharge curve with 3 % noise. Each file
// is written by the program's own writer, so its bytes are those 保存 gives, and each is
// computed by the program's own computation while it is generated: the velocities are scaled
// until the computed 断面流量 matches the noisy discharge. The numbers come from a fixed seed
// and a generator of our own, so every run gives the same bytes.
//
// Usage: tarnelo-station-year [--reviewer | --count N] FOLDER
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "sheet/sheet.hpp"
#include "station/station_gauging.hpp"
#include "window/window_gauging.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace tarnelo;

// The known curve: Q = 18.6 (Z − 101.20)^1.75, gauged between about 101.6 and 104.8 m.
constexpr double kA = 18.6;
constexpr double kZ0 = 101.20;
constexpr double kB = 1.75;
constexpr double kNoise = 0.03;
// The deepest point of the section and the base gauge's zero.
constexpr double kBed = 100.95;
constexpr double kGaugeZero = 100.000;
// The current meter: V = K·R·N/T + C.
constexpr double kSignal = 20;
constexpr double kK = 0.2505;
constexpr double kC = 0.0051;

// A small fixed generator (SplitMix64) so that the folder never depends on a library's
// distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    double uniform() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) / 9007199254740992.0;
    }
    double normal() {
        const double u = std::max(uniform(), 1e-12);
        const double v = uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

  private:
    std::uint64_t state_;
};

std::string fixed(double x, int decimals) {
    return num::fixedText(x, decimals);
}

std::string pad2(int value) {
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

struct Day {
    int month;
    int day;
};

// The section at stage z with velocities scaled by `scale`: water edges, 21 soundings, every
// other one a velocity vertical at 0.6 depth.
Sheet sectionSheet(double z, double scale) {
    const double depth = z - kBed;
    const double width = 26.0 + 9.0 * depth;
    constexpr int kVerticals = 21;
    Sheet sheet(kVerticals + 2);
    for (int i = 0; i <= kVerticals + 1; ++i) {
        const double u = static_cast<double>(i) / (kVerticals + 1);
        const double x = 3.0 + width * u;
        const double shape = 1.0 - std::pow(std::abs(2.0 * u - 1.0), 2.4);
        const double d = depth * shape;
        sheet.setCell(i, col::起点距, fixed(x, 1));
        sheet.setCell(i, col::水深, i == 0 || i == kVerticals + 1 ? "0" : fixed(d, 2));
        if (i > 0 && i <= kVerticals && i % 2 == 1) {
            const double v = scale * std::pow(std::max(shape, 0.02), 0.6);
            // At least 100 s and a whole number of signals.
            const double perSignal = kK * kSignal;
            const int n = std::max(1, static_cast<int>(std::ceil((v - kC) * 100.0 / perSignal)));
            const double t = std::round(perSignal * n / std::max(v - kC, 0.01));
            sheet.setCell(i, col::相对, "0.6");
            sheet.setCell(i, col::N, std::to_string(n));
            sheet.setCell(i, col::T, num::plainText(t));
        }
    }
    return sheet;
}

// Writes the gauging of stage z whose computed 断面流量 is `target`: the velocities are scaled
// until the computation gives it.
bool writeGauging(const std::filesystem::path& file, const std::array<std::string, 39>& header,
                  double z, double target) {
    double scale = 1.0;
    for (int round = 0; round < 6; ++round) {
        Gauging gauging;
        gauging.mode = EntryMode::Vertical;
        gauging.coefficients = {
            "0.85", "0.7", "0.8", num::plainText(kSignal), num::plainText(kK), num::plainText(kC)};
        gauging.rows = typedRowsOf(sectionSheet(z, scale));
        const auto headerBytes = recordHeaderBytes(header);
        const auto bytes =
            headerBytes ? gaugingFileBytes(gauging, *headerBytes).bytes : std::nullopt;
        if (!bytes) {
            std::cerr << "cannot write " << file << "\n";
            return false;
        }
        const station::StationGauging g = station::computeGauging(*bytes, "generated.dat");
        if (g.status != station::StationGauging::Status::Computed) {
            std::cerr << file << " not computed: " << g.message << "\n";
            return false;
        }
        const std::string computed = g.results[0];
        scale *= target / num::numberOf(computed);
        if (round == 5) {
            if (const WriteResult written = writeFileAtomic(file, *bytes); !written) {
                std::cerr << "cannot write " << file << ": " << written.problem << "\n";
                return false;
            }
            std::cout << file.filename().string() << "  Z=" << fixed(z, 2)
                      << "  Q(curve+noise)=" << fixed(target, 2) << "  Q(computed)=" << computed
                      << "\n";
        }
    }
    return true;
}

// A year as a reviewer of 资料整编 would be handed it (tests of the rating review): forty
// gaugings of 2024 from the same curve with 3.5 % scatter, and
//   - a July flood loop: 19–22 on the rising limb 6–13 % high, 23–26 on the falling limb 5–7 %
//     low, the base gauge's readings rising or falling 0.30 m during each;
//   - three gross errors: 8 (+22 %), 14 (−17 %), 33 (+30 %);
//   - 11 with 相应水位 typed a metre below its base-gauge readings;
//   - the 28th gauging numbered 27 again (27 twice, 28 missing);
//   - 9 dated "5月6日" without its year.
int reviewerYear(const std::filesystem::path& folder) {
    Random rng(20241231);
    int number = 0;
    for (int k = 0; k < 40; ++k) {
        ++number;
        // Every nine days from 10 January to June, every eleven from 18 July; the loop on eight
        // days of July.
        int month = 1;
        int day = number <= 18 ? 10 + 9 * k : 200 + 11 * (number - 27);
        const bool loop = number >= 19 && number <= 26;
        if (loop) {
            month = 7;
            day = 4 + (number - 19);
        } else {
            static constexpr int kLengths[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            while (month < 12 && day > kLengths[month - 1]) {
                day -= kLengths[month - 1];
                ++month;
            }
        }
        if (number == 9) {
            month = 5;
            day = 6;
        }
        double z = 101.7 + 1.6 * rng.uniform();
        double factor = 1.0 + 0.035 * rng.normal();
        double rise = 0.0;
        if (loop) {
            static constexpr double kStages[] = {102.60, 103.40, 104.20, 104.60,
                                                 104.30, 103.70, 103.10, 102.50};
            static constexpr double kLoop[] = {0.06, 0.09, 0.13, 0.10, -0.05, -0.07, -0.06, -0.05};
            z = kStages[number - 19];
            factor = 1.0 + kLoop[number - 19];
            rise = number <= 22 ? 0.30 : -0.30;
        }
        factor += number == 8 ? 0.22 : number == 14 ? -0.17 : number == 33 ? 0.30 : 0.0;
        z = std::round(z * 100.0) / 100.0;
        std::array<std::string, 39> header{};
        header[station::hdr::测站名称] = "柳溪 石门站";
        const std::string date = (number == 9 ? std::string() : std::string("2024年")) +
                                 std::to_string(month) + "月" + std::to_string(day) + "日";
        header[station::hdr::施测时间] = date + "9时00分至10时10分";
        header[4] = "LS25-1 No.1108";
        header[5] = "V=0.2505n+0.0051";
        header[station::hdr::断面位置] = "基本水尺断面";
        header[station::hdr::相应水位] = fixed(number == 11 ? z - 1.0 : z, 2);
        header[station::hdr::基本水尺读数始] = fixed(z - kGaugeZero - rise / 2, 2);
        header[station::hdr::基本水尺读数终] = fixed(z - kGaugeZero + rise / 2, 2);
        header[station::hdr::基本水尺零点高程] = fixed(kGaugeZero, 3);
        header[station::hdr::施测号数] = std::to_string(number == 28 ? 27 : number);
        const double target = kA * std::pow(z - kZ0, kB) * factor;
        if (!writeGauging(folder / ("review-2024-" + pad2(number) + ".dat"), header, z, target)) {
            return 1;
        }
    }
    return 0;
}

// The record header of the shimen year's gauging number on day from startTotal to endTotal
// (minutes of the day) at stage z; the base gauge's change and the slope take numbers from rng.
std::array<std::string, 39> shimenHeader(int number, const Day& day, int startTotal, int endTotal,
                                         double z, Random& rng) {
    static const char* weather[] = {"晴", "多云", "阴", "小雨", "中雨"};
    static const char* wind[] = {"无风", "东风 2级", "东南风 3级", "西北风 2级", "南风 1级"};
    static const char* observers[] = {"李明", "王芳", "张建国"};
    std::array<std::string, 39> header{};
    header[station::hdr::测站名称] = "柳溪 石门站";
    const int startHour = startTotal / 60;
    const int startMinute = startTotal % 60;
    const std::string start = std::to_string(startHour) + "时" + pad2(startMinute) + "分";
    const std::string end = std::to_string(endTotal / 60) + "时" + pad2(endTotal % 60) + "分";
    // Staff write the time two ways.
    header[station::hdr::施测时间] = number % 3 == 0
                                         ? "2024-" + pad2(day.month) + "-" + pad2(day.day) + " " +
                                               pad2(startHour) + ":" + pad2(startMinute) + "~" +
                                               pad2(endTotal / 60) + ":" + pad2(endTotal % 60)
                                         : "2024年" + std::to_string(day.month) + "月" +
                                               std::to_string(day.day) + "日" + start + "至" + end;
    header[2] = weather[number % 5];
    header[3] = wind[(number * 3) % 5];
    header[4] = "LS25-1 No.1108";
    header[5] = "V=0.2505n+0.0051";
    header[6] = std::to_string(40 + number * 3);
    header[11] = z > 103.5 ? "缆道" : "测船";
    header[station::hdr::断面位置] = number % 7 == 0 ? "基上 50 m" : "基本水尺断面";
    // A few forms carry only the base gauge's readings, not 相应水位.
    const bool readingsOnly = number % 8 == 5;
    const double rise = 0.01 * std::round(4.0 * (rng.uniform() - 0.3));
    header[station::hdr::相应水位] = readingsOnly ? "" : fixed(z, 2);
    header[15] = "LS25-1";
    header[20] = "P1";
    header[station::hdr::基本水尺读数始] = fixed(z - kGaugeZero - rise / 2, 2);
    header[station::hdr::基本水尺读数终] = fixed(z - kGaugeZero + rise / 2, 2);
    header[station::hdr::基本水尺零点高程] = fixed(kGaugeZero, 3);
    if (z > 103.8) {
        header[station::hdr::水面比降] = fixed(1.6 + 0.4 * rng.uniform(), 1);
        header[station::hdr::糙率] = fixed(0.030 + 0.004 * rng.uniform(), 3);
    }
    header[37] = observers[number % 3];
    header[station::hdr::施测号数] = std::to_string(number);
    return header;
}

// The shimen station's stage on a day: low in winter, high in July, with the day's own rise.
double shimenStage(const Day& day, Random& rng) {
    const double season = std::exp(-std::pow((day.month + day.day / 31.0 - 7.6) / 1.9, 2));
    return std::round((101.62 + 2.9 * season * (0.45 + 0.55 * rng.uniform())) * 100.0) / 100.0;
}

// A year of count gaugings of the shimen station (tests and timings of many gaugings): spread
// evenly over the days of 2024, each day's in slots of equal length so that none crosses
// midnight, numbered in time order, named shimen-2024-N with N as wide as count.
int countedYear(const std::filesystem::path& folder, long count) {
    Random rng(20240229);
    const int width = static_cast<int>(std::to_string(count).size());
    static constexpr int kLengths[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (long k = 0; k < count; ++k) {
        const long dayOfYear = k * 366 / count;
        const long firstOfDay = (dayOfYear * count + 365) / 366;
        const long ofDay = ((dayOfYear + 1) * count + 365) / 366 - firstOfDay;
        const int slot = static_cast<int>(1440 / ofDay);
        Day day{1, static_cast<int>(dayOfYear) + 1};
        while (day.day > kLengths[day.month - 1]) {
            day.day -= kLengths[day.month - 1];
            ++day.month;
        }
        const double z = shimenStage(day, rng);
        const double target = kA * std::pow(z - kZ0, kB) * (1.0 + kNoise * rng.normal());
        const int minutes = std::clamp(25 + static_cast<int>(rng.uniform() * 50.0), 1, slot - 1);
        const int start = static_cast<int>(k - firstOfDay) * slot +
                          static_cast<int>(rng.uniform() * (slot - minutes));
        const int number = static_cast<int>(k + 1);
        const std::array<std::string, 39> header =
            shimenHeader(number, day, start, start + minutes, z, rng);
        std::string name = std::to_string(number);
        name.insert(0, static_cast<std::size_t>(width) - name.size(), '0');
        if (!writeGauging(folder / ("shimen-2024-" + name + ".dat"), header, z, target)) {
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool reviewer = argc == 3 && std::string(argv[1]) == "--reviewer";
    const bool counted = argc == 4 && std::string(argv[1]) == "--count";
    const long count = counted ? std::strtol(argv[2], nullptr, 10) : 0;
    const bool option = argc == 2 && std::string(argv[1]).rfind("-", 0) == 0;
    if ((argc != 2 && !reviewer && !counted) || option ||
        (counted && (count < 1 || count > 200000))) {
        std::cerr << "usage: tarnelo-station-year [--reviewer | --count N] FOLDER\n"
                     "  (N gaugings of one year, 1 to 200000)\n";
        return 2;
    }
    const std::filesystem::path folder = argv[argc - 1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // Generated again at will: atomic, but no wait for the disk after each of many files.
    setWritesFlushedToDisk(false);
    if (reviewer) {
        return reviewerYear(folder);
    }
    if (counted) {
        return countedYear(folder, count);
    }
    Random rng(20240101);

    // Thirty days of 2024, most of them in the flood season.
    const std::vector<Day> days{{1, 9},  {2, 6},   {3, 5},   {3, 27},  {4, 12}, {4, 28},
                                {5, 10}, {5, 21},  {6, 3},   {6, 12},  {6, 19}, {6, 25},
                                {7, 2},  {7, 8},   {7, 12},  {7, 17},  {7, 23}, {7, 30},
                                {8, 6},  {8, 13},  {8, 20},  {8, 28},  {9, 5},  {9, 14},
                                {9, 26}, {10, 10}, {10, 24}, {11, 12}, {12, 3}, {12, 20}};
    int number = 0;
    for (const Day& day : days) {
        ++number;
        const double z = shimenStage(day, rng);
        const double target = kA * std::pow(z - kZ0, kB) * (1.0 + kNoise * rng.normal());
        const int startHour = 7 + static_cast<int>(rng.uniform() * 8.0);
        const int startMinute = 5 * static_cast<int>(rng.uniform() * 12.0);
        const int minutes = 25 + static_cast<int>(rng.uniform() * 50.0);
        const int endTotal = startHour * 60 + startMinute + minutes;

        const std::array<std::string, 39> header =
            shimenHeader(number, day, startHour * 60 + startMinute, endTotal, z, rng);
        if (!writeGauging(folder / ("shimen-2024-" + pad2(number) + ".dat"), header, z, target)) {
            return 1;
        }
    }
    return 0;
}
