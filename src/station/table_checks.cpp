#include "station/table_checks.hpp"

#include "compute/gauge_stage.hpp"
#include "measure/numtext.hpp"
#include "station/station_table.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace tarnelo::station {

namespace {

// A typed 相应水位 may differ this much from the mean of the base gauge's readings (经验值: the
// readings are taken to the centimetre, and their mean may be rounded either way).
constexpr double kStageTolerance = 0.02;
// The plain mean of the readings serves as 相应水位 while the change of the cross-section area
// the stage change causes stays within 5 % of the area at a mean depth of 1 m or more, and
// within 10 % below it.
constexpr double kAreaShareDeep = 0.05;
constexpr double kAreaShareShallow = 0.10;
constexpr double kDeepSection = 1.0;
constexpr std::string_view kAreaShareSource = "GB 50179-2015，按常见引用，未核对原文";

std::optional<double> numberIn(const std::string& text) {
    if (text.empty() || !num::isWholeNumber(text)) {
        return std::nullopt;
    }
    const double value = num::numberOf(text);
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::string metres(double value) {
    return num::fixedText(num::roundHalfEven(value, 2), 2);
}

// A measured share: one decimal below 10 %.
std::string percent(double share) {
    const double p = share * 100.0;
    return num::fixedText(p, p < 10.0 ? 1 : 0) + "%";
}

// A limit as it is quoted.
std::string limitPercent(double share) {
    return num::plainText(num::roundHalfEven(share * 100.0, 6)) + "%";
}

// The 施测号数 as a serial number, when it is a whole number of a sensible size.
std::optional<long long> serialOf(const std::string& number) {
    const std::optional<double> value = numberIn(number);
    if (!value || *value < 0.0 || *value >= 1e9 || *value != std::floor(*value)) {
        return std::nullopt;
    }
    return static_cast<long long>(*value);
}

// Which of the numbers (in time order) form the longest run that never decreases, preferring
// the earliest rows among runs of the same length: the others are the ones out of order.
std::vector<bool> longestOrderedRun(const std::vector<long long>& numbers) {
    const std::size_t n = numbers.size();
    std::vector<long long> values = numbers;
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    // A Fenwick tree of the longest run starting at a later row, by value from the largest down.
    std::vector<int> tree(values.size() + 1, 0);
    const auto slot = [&](long long v) {
        const auto rank = static_cast<std::size_t>(
            std::lower_bound(values.begin(), values.end(), v) - values.begin());
        return values.size() - rank; // 1 for the largest value
    };
    std::vector<int> runFrom(n, 1);
    for (std::size_t i = n; i-- > 0;) {
        int longest = 0;
        for (std::size_t s = slot(numbers[i]); s > 0; s -= s & (~s + 1)) {
            longest = std::max(longest, tree[s]);
        }
        runFrom[i] = longest + 1;
        for (std::size_t s = slot(numbers[i]); s < tree.size(); s += s & (~s + 1)) {
            tree[s] = std::max(tree[s], runFrom[i]);
        }
    }
    std::vector<bool> kept(n, false);
    int needed = n == 0 ? 0 : *std::max_element(runFrom.begin(), runFrom.end());
    long long last = std::numeric_limits<long long>::min();
    for (std::size_t i = 0; i < n && needed > 0; ++i) {
        if (runFrom[i] == needed && numbers[i] >= last) {
            kept[i] = true;
            last = numbers[i];
            --needed;
        }
    }
    return kept;
}

// "28、35–36" and how many numbers that is.
std::pair<std::string, long long> missingNumbers(std::vector<long long> serials) {
    std::sort(serials.begin(), serials.end());
    serials.erase(std::unique(serials.begin(), serials.end()), serials.end());
    std::string text;
    long long count = 0;
    for (std::size_t i = 1; i < serials.size(); ++i) {
        const long long from = serials[i - 1] + 1;
        const long long to = serials[i] - 1;
        if (from > to) {
            continue;
        }
        text += (text.empty() ? "" : "、") + std::to_string(from) +
                (to > from ? "–" + std::to_string(to) : std::string());
        count += to - from + 1;
    }
    return {text, count};
}

// The folder the rows came from when they share one, else a label for the whole year.
std::filesystem::path yearPlace(const std::vector<TableRow>& rows) {
    std::filesystem::path folder = rows.front().file.parent_path();
    for (const TableRow& row : rows) {
        if (row.file.parent_path() != folder) {
            folder.clear();
            break;
        }
    }
    return folder.empty() ? std::filesystem::path(u8"（全年）") : folder;
}

} // namespace

void appendRemark(std::string& remarks, std::string_view text) {
    remarks += (remarks.empty() ? "" : "；") + std::string(text);
}

std::vector<StageDoubt> stageDoubts(const StationGauging& g) {
    std::vector<StageDoubt> doubts;
    const std::optional<double> from = numberIn(g.field(hdr::基本水尺读数始));
    const std::optional<double> to = numberIn(g.field(hdr::基本水尺读数终));
    const std::optional<double> zero = numberIn(g.field(hdr::基本水尺零点高程));
    const std::optional<double> typed = numberIn(g.field(hdr::相应水位));
    if (!from || !to) {
        return doubts;
    }

    // The share of the cross-section area the stage change adds or takes away.
    const double change = *to - *from;
    const std::optional<double> area = numberIn(g.results[1]);
    const std::optional<double> width = numberIn(g.results[4]);
    std::optional<double> depth = numberIn(g.results[5]);
    std::optional<double> share;
    double limit = kAreaShareShallow;
    if (area && width && *area > 0.0 && *width > 0.0) {
        share = std::abs(change) * *width / *area;
        if (!depth) {
            depth = *area / *width;
        }
        limit = *depth >= kDeepSection ? kAreaShareDeep : kAreaShareShallow;
    }
    const bool changeTooLarge = share && *share > limit + 1e-9;

    bool weighted = false;
    if (typed && zero) {
        const double mean =
            num::numberOf(gaugeStage(g.field(hdr::基本水尺读数始), g.field(hdr::基本水尺读数终),
                                     g.field(hdr::基本水尺零点高程))
                              .stage);
        const double apart = num::roundHalfEven(std::abs(*typed - mean), 2);
        const double low = std::min(*from, *to) + *zero - kStageTolerance;
        const double high = std::max(*from, *to) + *zero + kStageTolerance;
        weighted = changeTooLarge && apart > kStageTolerance + 1e-9 && *typed >= low - 1e-9 &&
                   *typed <= high + 1e-9;
        if (apart > kStageTolerance + 1e-9 && !weighted) {
            const std::string words = "相应水位 " + g.field(hdr::相应水位) + " 与基本水尺读数（" +
                                      metres(mean) + "）相差 " + metres(apart) + " m";
            doubts.push_back({words, "相应水位 " + g.field(hdr::相应水位) + " 与基本水尺读数（始 " +
                                         g.field(hdr::基本水尺读数始) + "、终 " +
                                         g.field(hdr::基本水尺读数终) + "，零点高程 " +
                                         g.field(hdr::基本水尺零点高程) + "，得 " + metres(mean) +
                                         "）相差 " + metres(apart) +
                                         " m，超过 2 cm（经验值）；按所填相应水位列入，请核对"});
        }
    }
    if (changeTooLarge && !weighted) {
        const std::string how = (change > 0 ? "上涨 " : "下降 ") + metres(std::abs(change)) + " m";
        doubts.push_back(
            {"测流期间水位" + how + "（面积变化约 " + percent(*share) +
                 "），超过算术平均的适用范围，相应水位宜加权平均",
             "测流期间基本水尺读数由 " + g.field(hdr::基本水尺读数始) + " 变为 " +
                 g.field(hdr::基本水尺读数终) + "（" + how + "），引起的断面面积变化约 " +
                 percent(*share) + "（" + metres(std::abs(change)) + " m × 水面宽 " + g.results[4] +
                 " m ÷ 断面面积 " + g.results[1] + " m²）；平均水深 " + metres(*depth) +
                 " m，算术平均只适用于面积变化在 " + limitPercent(limit) +
                 " 以内（平均水深不小于 1 m 时 " + limitPercent(kAreaShareDeep) + "，小于 1 m 时 " +
                 limitPercent(kAreaShareShallow) + "，" + std::string(kAreaShareSource) +
                 "），相应水位宜加权平均"});
    }
    return doubts;
}

void checkNumbering(StationTable& table) {
    std::vector<TableRow>& rows = table.rows;
    std::map<std::string, std::vector<std::size_t>> byNumber;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        byNumber[rows[i].number].push_back(i);
    }
    for (const auto& [number, same] : byNumber) {
        for (const std::size_t i : same) {
            if (number.empty()) {
                appendRemark(rows[i].remarks, "无施测号数");
                table.problems.push_back({rows[i].file, "施测号数为空，已列入", true});
            } else if (same.size() > 1) {
                appendRemark(rows[i].remarks, "施测号数重复");
                table.problems.push_back({rows[i].file,
                                          "施测号数 " + number + " 重复（共 " +
                                              std::to_string(same.size()) + " 个文件），已列入",
                                          true});
            }
        }
    }

    // The numbers in time order: each one out of order is named with its neighbours in time.
    std::vector<std::size_t> numbered;
    std::vector<long long> serials;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const std::optional<long long> serial = serialOf(rows[i].number)) {
            numbered.push_back(i);
            serials.push_back(*serial);
        }
    }
    const std::vector<bool> inOrder = longestOrderedRun(serials);
    for (std::size_t k = 0; k < numbered.size(); ++k) {
        if (inOrder[k]) {
            continue;
        }
        TableRow& row = rows[numbered[k]];
        std::string place;
        if (k > 0) {
            place = "排在 " + rows[numbered[k - 1]].number + " 号之后";
        }
        if (k + 1 < numbered.size()) {
            place += (place.empty() ? "排在 " : "、") + rows[numbered[k + 1]].number + " 号之前";
        }
        appendRemark(row.remarks, "施测号数与施测时间顺序不符");
        table.problems.push_back({row.file,
                                  "施测号数 " + row.number + " 与施测时间顺序不符：按施测时间（" +
                                      isoText(row.time.start) + "）" + place +
                                      "，请核对施测号数或施测时间，已列入",
                                  true});
    }

    const auto [missing, count] = missingNumbers(serials);
    if (count > 0) {
        const auto [low, high] = std::minmax_element(serials.begin(), serials.end());
        table.problems.push_back({yearPlace(rows),
                                  "施测号数 " + std::to_string(*low) + "–" + std::to_string(*high) +
                                      " 之间缺 " + missing + "（共 " + std::to_string(count) +
                                      " 个号），请核对是否有测验未列入或号数有误",
                                  true});
    }
}

} // namespace tarnelo::station
