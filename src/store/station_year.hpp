// A station's year read from a store: the 实测流量成果表 of the latest revision of each of its
// gaugings, made as from a folder of their files.
#pragma once

#include "station/station_table.hpp"
#include "store/store.hpp"

#include <functional>

namespace tarnelo::store {

// The table of the station and year the filter names. Either may be left out when the store
// holds only one (of that station); otherwise the problem lists what it holds. Each gauging is
// read as the file NAME.dat it was saved as. stopped is asked between gaugings, about twice for
// each (once as its file is fetched, once as it is computed), and also from the threads that
// compute them, so it must be safe to call from any thread; once it says yes the result is empty
// with no problem.
Result<station::StationTable> stationYearTable(Store& store, const Filter& filter,
                                               ThreePointRule threePoint = ThreePointRule::Equal,
                                               const std::function<bool()>& stopped = {});

} // namespace tarnelo::store
