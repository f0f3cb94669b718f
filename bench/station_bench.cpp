// The station's year: the table of 10,000 gauging files (read, computed, tabled; and written as
// a workbook), and the rating fit with its tests over 500 gaugings.
#include "measure/numtext.hpp"
#include "platform/system/scratch.hpp"
#include "report/station_workbook.hpp"
#include "station/rating.hpp"
#include "station/rating_review.hpp"
#include "station/station_table.hpp"
#include "support/station_files.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

using namespace tarnelo;

// A folder of 10,000 gaugings of one station and year, made once.
class GaugingFolder {
  public:
    static GaugingFolder& get() {
        static GaugingFolder folder;
        return folder;
    }
    const std::filesystem::path& path() const { return scratch_.path(); }

  private:
    GaugingFolder() : scratch_("tarnelo-bench") { testing::writeGaugingYear(path(), 10000); }
    sys::ScratchFolder scratch_;
};

station::StationTable summary(const std::filesystem::path& folder) {
    std::vector<station::TableProblem> listing;
    return station::readStationTable(station::gaugingFiles({folder}, listing));
}

void BM_Summary10000Files(benchmark::State& state) {
    const auto& folder = GaugingFolder::get();
    for (auto _ : state) {
        const station::StationTable table = summary(folder.path());
        if (table.rows.size() != 10000) {
            state.SkipWithError("not every gauging was tabled");
        }
        benchmark::DoNotOptimize(table.rows.data());
    }
}
BENCHMARK(BM_Summary10000Files)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Summary10000FilesToWorkbook(benchmark::State& state) {
    const auto& folder = GaugingFolder::get();
    for (auto _ : state) {
        const station::StationTable table = summary(folder.path());
        if (writeStationTableWorkbook(table, folder.path() / "table.xlsx.out")) {
            state.SkipWithError("workbook not written");
        }
    }
}
BENCHMARK(BM_Summary10000FilesToWorkbook)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RatingFit500(benchmark::State& state) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> stage(101.5, 105.0);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::vector<station::RatingPoint> points;
    for (int i = 0; i < 500; ++i) {
        const double z = stage(rng);
        points.push_back(station::ratingPoint(
            z, 18.6 * std::pow(z - 101.2, 1.75) * (1.0 + noise(rng)), std::to_string(i + 1), 5.0));
    }
    for (auto _ : state) {
        const station::RatingFit fit = station::fitRating(points, station::RatingForm::Power);
        benchmark::DoNotOptimize(fit.tests.se);
    }
}
BENCHMARK(BM_RatingFit500)->Unit(benchmark::kMillisecond);

// The whole review of 500 gaugings: the fit, outliers refitted away one by one (ten gross
// errors), the loop screened and tested on rising and falling limbs, and the time-order test.
void BM_RatingReview500(benchmark::State& state) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> stage(101.5, 105.0);
    std::normal_distribution<double> noise(0.0, 0.035);
    std::vector<station::RatingPoint> points;
    for (int i = 0; i < 500; ++i) {
        const double z = stage(rng);
        const int limb = i % 5 == 0 ? 1 : i % 5 == 1 ? -1 : 0;
        const double gross = i % 50 == 7 ? 0.25 : 0.0;
        station::RatingPoint p = station::ratingPoint(
            z, 18.6 * std::pow(z - 101.2, 1.75) * (1.0 + noise(rng) + 0.08 * limb + gross),
            std::to_string(i + 1), 5.0);
        p.stageChange = 0.2 * limb;
        p.minutes = 1000 + 60 * i;
        points.push_back(std::move(p));
    }
    for (auto _ : state) {
        const station::RatingReview review =
            station::reviewRating(points, {}, station::RatingForm::Power);
        if (!review.loop.fires || review.outliers.size() < 10) {
            state.SkipWithError("the loop or the gross errors were not found");
        }
        benchmark::DoNotOptimize(review.cleanSe);
    }
}
BENCHMARK(BM_RatingReview500)->Unit(benchmark::kMillisecond);

} // namespace
