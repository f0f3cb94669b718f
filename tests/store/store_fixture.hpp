// A fresh store on each engine: a SQLite file in a scratch folder, and a new database on the
// PostgreSQL server that tests/support/postgres-server started (the PostgreSQL cases are
// skipped without one; ctest runs them under it as store_postgresql).
#pragma once

#include "store/engine.hpp"
#include "store/store.hpp"

#include "support/station_files.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarnelo::testing {

inline std::string postgresHost() {
    const char* host = std::getenv("TARNELO_TEST_PG_HOST");
    return host != nullptr ? host : "";
}

// The server's port, when it listens on one of its own (TARNELO_TEST_PG_TLS=1).
inline std::string postgresPort() {
    const char* port = std::getenv("TARNELO_TEST_PG_PORT");
    return port != nullptr ? port : "";
}

inline std::string postgresUrl(const std::string& database, const std::string& user = "") {
    const char* admin = std::getenv("TARNELO_TEST_PG_USER");
    return "postgresql:///" + database + "?host=" + postgresHost() +
           (postgresPort().empty() ? "" : "&port=" + postgresPort()) +
           "&user=" + (user.empty() ? std::string(admin != nullptr ? admin : "") : user);
}

// Runs SQL as the server's superuser in database (a new database from "postgres").
inline void postgresAdmin(const std::string& sql, const std::string& database = "postgres") {
    store::Problem problem;
    auto engine = store::openPostgreSQL(postgresUrl(database), problem);
    ASSERT_TRUE(engine) << problem.message;
    ASSERT_FALSE(engine->script(sql)) << sql;
}

class StoreOnEngine : public ::testing::TestWithParam<store::Location::Engine> {
  protected:
    void SetUp() override {
        static std::atomic<int> made{0};
        // Unique among runs on one server: the clock, and a count within the run.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string name =
            "t" + std::to_string(now % 1000000000) + "_" + std::to_string(++made);
        folder_ = std::filesystem::temp_directory_path() / ("tarnelo-store-" + name);
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        if (GetParam() == store::Location::Engine::SQLite) {
            where_ = (folder_ / "station.db").string();
            return;
        }
        if (postgresHost().empty()) {
            GTEST_SKIP()
                << "no PostgreSQL server (ctest runs these under tests/support/postgres-server)";
        }
        database_ = name;
        postgresAdmin("CREATE DATABASE " + database_);
        where_ = postgresUrl(database_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    store::Location location() const { return store::locationOf(where_); }
    store::Store made() {
        store::Result<store::Store> made = store::Store::init(location());
        EXPECT_TRUE(made) << made.problem.message;
        return std::move(*made.value);
    }
    store::Store opened(store::Store::Access access = store::Store::Access::ReadWrite) {
        store::Result<store::Store> opened = store::Store::open(location(), access);
        EXPECT_TRUE(opened) << opened.problem.message;
        return std::move(*opened.value);
    }
    // The engine underneath, for what only plain SQL shows.
    std::unique_ptr<store::Engine> engine() {
        store::Problem problem;
        auto e = GetParam() == store::Location::Engine::SQLite
                     ? store::openSQLite(where_, false, false, problem)
                     : store::openPostgreSQL(where_, problem);
        EXPECT_TRUE(e) << problem.message;
        return e;
    }

    std::filesystem::path folder_;
    std::string where_;
    std::string database_;
};

inline const store::Author kZhang{"zhang", "station-pc", "Tarnelo 13.05"};
inline const store::Author kLi{"li", "bureau-pc", "Tarnelo 13.05"};

inline std::string madeBytes(const std::string& number, double scale = 1.0,
                             const std::string& station = "青石桥") {
    testing::MadeGauging made;
    made.number = number;
    made.scale = scale;
    made.station = station;
    made.time = "2024年7月" + std::to_string(1 + std::stoi(number) % 28) + "日8时30分至9时45分";
    return testing::gaugingBytes(made);
}

inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string engineName(const ::testing::TestParamInfo<store::Location::Engine>& info) {
    return info.param == store::Location::Engine::SQLite ? "SQLite" : "PostgreSQL";
}

} // namespace tarnelo::testing
