#include "store/station_year.hpp"

#include "store/store_rows.hpp"
#include "window/program_paths.hpp"

#include <map>
#include <set>

namespace tarnelo::store {

namespace {

// The one station and year the filter leaves, or why there is no one.
Problem chooseYear(Store& store, Filter& filter) {
    Result<std::vector<GaugingEntry>> listed = store.list(filter);
    if (!listed) {
        return listed.problem;
    }
    std::map<std::string, std::set<int>> held; // "code 名称" -> years
    for (const GaugingEntry& e : *listed.value) {
        if (!e.stationCode.empty() && e.year != 0) {
            held[e.stationCode + " " + e.stationName].insert(e.year);
        }
    }
    if (held.empty()) {
        return {"数据库中没有" +
                    (filter.station.empty() ? std::string() : "测站“" + filter.station + "”的") +
                    "注明测站与年份的测验。",
                {}};
    }
    std::string choices;
    std::size_t years = 0;
    for (const auto& [station, its] : held) {
        choices += "\n  " + station + "：";
        for (int year : its) {
            choices += std::to_string(year) + " ";
        }
        years += its.size();
    }
    if (held.size() > 1 && filter.station.empty()) {
        return {"数据库中有多个测站，请指定测站（站码或站名）与年份：" + choices, {}};
    }
    if (years > 1 && !filter.year) {
        return {"数据库中有多个年份，请指定年份：" + choices, {}};
    }
    const auto& [station, its] = *held.begin();
    filter.station = station.substr(0, station.find(' '));
    filter.year = *its.begin();
    return {};
}

} // namespace

Result<station::StationTable> stationYearTable(Store& store, const Filter& filter,
                                               ThreePointRule threePoint,
                                               const std::function<bool()>& stopped) {
    Filter chosen = filter;
    chosen.withDeleted = false;
    if (Problem p = chooseYear(store, chosen)) {
        return {std::nullopt, p};
    }
    // The bytes are read first (the engine serves one caller at a time), then computed on as
    // many threads as the files of a folder are.
    std::vector<std::pair<std::string, std::string>> files;
    const Problem p = store.eachLatest(chosen, [&](StoredGauging&& stored) {
        files.emplace_back(stored.entry.name + ".dat", std::move(stored.bytes));
        return !(stopped && stopped());
    });
    if (p) {
        return {std::nullopt, p};
    }
    if (stopped && stopped()) {
        return {std::nullopt, {}};
    }
    station::StationTable table = station::readStationTable(
        files.size(),
        [&](std::size_t i) {
            std::string bytes = std::move(files[i].second);
            return station::computeGauging(bytes, paths::fromUtf8(files[i].first), threePoint);
        },
        filter.year, stopped);
    if (stopped && stopped()) {
        return {std::nullopt, {}};
    }
    return {std::move(table), {}};
}

} // namespace tarnelo::store
