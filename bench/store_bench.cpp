// A station's gaugings kept in a store: an import of 10,000 files into each engine, the year's
// table of them read from each store and from their folder, and one gauging opened from a store
// of 100,000. The PostgreSQL cases need a server: run it as
//   tests/support/postgres-server build/bin/tarnelo_store_bench
// (without one they are skipped).
#include "measure/numtext.hpp"
#include "platform/system/scratch.hpp"
#include "station/station_table.hpp"
#include "store/station_year.hpp"
#include "store/store_rows.hpp"
#include "support/station_files.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>

namespace {

using namespace tarnelo;
using store::Location;

constexpr int kFiles = 10000;
constexpr int kMany = 100000;

const sys::ScratchFolder& scratch() {
    static const sys::ScratchFolder folder("tarnelo-store-bench");
    return folder;
}

// 10,000 gaugings of one station and year, written once.
const std::filesystem::path& gaugingFolder() {
    static const std::filesystem::path folder = [] {
        const auto path = scratch().path() / "files";
        std::filesystem::create_directories(path);
        testing::writeGaugingYear(path, kFiles);
        return path;
    }();
    return folder;
}

// A new, empty store of the engine, named by what it is for; empty when the engine cannot be
// reached here.
std::string newStore(Location::Engine engine, const std::string& name) {
    if (engine == Location::Engine::SQLite) {
        const auto file = scratch().path() / (name + ".db");
        std::filesystem::remove(file);
        std::filesystem::remove(file.string() + "-wal");
        return file.string();
    }
    const char* host = std::getenv("TARNELO_TEST_PG_HOST");
    const char* user = std::getenv("TARNELO_TEST_PG_USER");
    if (host == nullptr || user == nullptr) {
        return {};
    }
    const std::string server = "postgresql:///postgres?host=" + std::string(host) + "&user=" + user;
    store::Problem problem;
    auto admin = store::openPostgreSQL(server, problem);
    admin->script("DROP DATABASE IF EXISTS " + name);
    admin->script("CREATE DATABASE " + name);
    return "postgresql:///" + name + "?host=" + std::string(host) + "&user=" + user;
}

store::Store initialized(const std::string& where) {
    return std::move(*store::Store::init(store::locationOf(where)).value);
}

const char* engineName(Location::Engine engine) {
    return engine == Location::Engine::SQLite ? "sqlite" : "postgresql";
}

// The store of the 10,000 files, imported once per engine.
const std::string& importedStore(Location::Engine engine) {
    static std::map<Location::Engine, std::string> made;
    if (!made.count(engine)) {
        made[engine] = newStore(engine, std::string("year_") + engineName(engine));
        if (!made[engine].empty()) {
            initialized(made[engine]).importFiles({gaugingFolder().string()}, store::thisAuthor());
        }
    }
    return made[engine];
}

void BM_Import10000(benchmark::State& state) {
    const auto engine = static_cast<Location::Engine>(state.range(0));
    gaugingFolder();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string where = newStore(engine, std::string("import_") + engineName(engine));
        if (where.empty()) {
            state.SkipWithError("no PostgreSQL server");
            return;
        }
        store::Store store = initialized(where);
        state.ResumeTiming();
        const store::ImportReport report =
            store.importFiles({gaugingFolder().string()}, store::thisAuthor());
        if (report.count(store::ImportReport::Item::Outcome::Added) != kFiles) {
            state.SkipWithError("not every file was imported");
        }
    }
}
BENCHMARK(BM_Import10000)
    ->Arg(int(Location::Engine::SQLite))
    ->Arg(int(Location::Engine::PostgreSQL))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SummaryFromStore(benchmark::State& state) {
    const auto engine = static_cast<Location::Engine>(state.range(0));
    const std::string& where = importedStore(engine);
    if (where.empty()) {
        state.SkipWithError("no PostgreSQL server");
        return;
    }
    store::Store store = std::move(*store::Store::open(store::locationOf(where)).value);
    for (auto _ : state) {
        store::Result<station::StationTable> table = store::stationYearTable(store, {});
        if (!table || table.value->rows.size() != kFiles) {
            state.SkipWithError("not every gauging was tabled");
        }
    }
}
BENCHMARK(BM_SummaryFromStore)
    ->Arg(int(Location::Engine::SQLite))
    ->Arg(int(Location::Engine::PostgreSQL))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SummaryFromFolder(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<station::TableProblem> listing;
        const station::StationTable table =
            station::readStationTable(station::gaugingFiles({gaugingFolder()}, listing));
        if (table.rows.size() != kFiles) {
            state.SkipWithError("not every gauging was tabled");
        }
    }
}
BENCHMARK(BM_SummaryFromFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

// A store of 100,000 gaugings: the 10,000 files ten times over under other names, written in one
// transaction (what they compute to is computed once per file).
const std::string& manyStore(Location::Engine engine) {
    static std::map<Location::Engine, std::string> made;
    if (made.count(engine)) {
        return made[engine];
    }
    made[engine] = newStore(engine, std::string("many_") + engineName(engine));
    if (made[engine].empty()) {
        return made[engine];
    }
    initialized(made[engine]);
    store::Problem problem;
    auto sql = engine == Location::Engine::SQLite
                   ? store::openSQLite(made[engine], false, false, problem)
                   : store::openPostgreSQL(made[engine], problem);
    const store::Author author = store::thisAuthor();
    store::transaction(*sql, true, [&]() -> store::Problem {
        for (int i = 0; i < kFiles; ++i) {
            const std::string stem = "g" + std::to_string(100000 + i);
            const std::string bytes = *readFileBytes(gaugingFolder() / (stem + ".dat"));
            const store::Facts facts = store::factsOf(bytes, stem);
            for (int copy = 0; copy < kMany / kFiles; ++copy) {
                const std::string name = stem + "-" + std::to_string(copy);
                store::Written written;
                if (store::Problem p = store::writeRevision(
                        *sql, {name, bytes, 0, false, author, &facts}, written)) {
                    return p;
                }
            }
        }
        return {};
    });
    return made[engine];
}

void BM_OpenOneOf100000(benchmark::State& state) {
    const auto engine = static_cast<Location::Engine>(state.range(0));
    const std::string& where = manyStore(engine);
    if (where.empty()) {
        state.SkipWithError("no PostgreSQL server");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        // As the window opens one: connect, find it by name, read its latest revision.
        store::Result<store::Store> store = store::Store::open(store::locationOf(where));
        const std::string name = "g" + std::to_string(100000 + (i * 7919) % kFiles) + "-" +
                                 std::to_string(i % (kMany / kFiles));
        store::Result<store::StoredGauging> one = store.value->read(name);
        if (!one || one.value->bytes.empty()) {
            state.SkipWithError("the gauging was not found");
        }
        ++i;
    }
}
BENCHMARK(BM_OpenOneOf100000)
    ->Arg(int(Location::Engine::SQLite))
    ->Arg(int(Location::Engine::PostgreSQL))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
