#include "store/station_year.hpp"

namespace tarnelo::store {

Result<station::StationTable> stationYearTable(Store&, const Filter&, ThreePointRule,
                                               const std::function<bool()>&) {
    return {std::nullopt, {"数据库存储尚未完成", std::nullopt}};
}

} // namespace tarnelo::store
