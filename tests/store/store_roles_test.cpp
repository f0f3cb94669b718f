// The roles a bureau grants, on a real server: the staff add revisions, the reviewers read, and
// no one needs, or has, the right to delete.
#include "store/schema.hpp"
#include "store_fixture.hpp"
#include "support/station_files.hpp"

#include <fstream>

namespace tarnelo {
namespace {

using store::Store;

TEST(StoreRoles, ShippedSetupIsTheProgramsOwn) {
    std::ifstream in(std::string(TARNELO_SOURCE_DIR) + "/docs/store/postgresql-setup.sql",
                     std::ios::binary);
    const std::string shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(shipped, store::postgresqlSetupSql())
        << "docs/store/postgresql-setup.sql: write it anew with tarnelo-cli store setup-sql";
}

TEST(StoreRoles, StaffAddRevisionsReviewersReadAndNoOneDeletes) {
    if (testing::postgresHost().empty()) {
        GTEST_SKIP()
            << "no PostgreSQL server (ctest runs this under tests/support/postgres-server)";
    }
    const std::string database =
        "roles" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000000);
    testing::postgresAdmin("CREATE DATABASE " + database);
    testing::postgresAdmin(store::postgresqlSetupSql(), database);
    testing::postgresAdmin("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                           "'zhang') THEN CREATE ROLE zhang LOGIN IN ROLE tarnelo_staff; "
                           "CREATE ROLE li LOGIN IN ROLE tarnelo_reader; END IF; END $$;",
                           database);
    testing::MadeGauging made;
    const std::string bytes = testing::gaugingBytes(made);
    const store::Author zhang{"zhang", "pc", "Tarnelo 13.05"};

    store::Result<Store> staff =
        Store::open(store::locationOf(testing::postgresUrl(database, "zhang")));
    ASSERT_TRUE(staff) << staff.problem.message;
    ASSERT_EQ(staff.value->save("g1", bytes, 0, zhang).value, 1);
    made.scale = 1.2;
    ASSERT_EQ(staff.value->save("g1", testing::gaugingBytes(made), 1, zhang).value, 2);
    ASSERT_EQ(staff.value->remove("g1", 2, zhang).value, 3);
    EXPECT_TRUE(staff.value->setStationCode("青石桥", "60101000").message.empty());

    store::Result<Store> reader =
        Store::open(store::locationOf(testing::postgresUrl(database, "li")));
    ASSERT_TRUE(reader) << reader.problem.message;
    EXPECT_EQ(reader.value->read("g1", 1).value->bytes, bytes);
    EXPECT_EQ(reader.value->history("g1").value->size(), 3U);
    store::Result<int> refused = reader.value->save("g2", bytes, 0, zhang);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.problem.message.find("权限"), std::string::npos) << refused.problem.message;

    // Neither may erase or rewrite what was saved.
    for (const std::string who : {"zhang", "li"}) {
        store::Problem problem;
        auto engine = store::openPostgreSQL(testing::postgresUrl(database, who), problem);
        ASSERT_TRUE(engine) << problem.message;
        // Refused for want of the right, not for the rows that refer to them.
        for (const char* erase :
             {"DELETE FROM revision_result", "DELETE FROM revision", "DELETE FROM gauging",
              "DELETE FROM station", "UPDATE revision SET saved_by = 'someone'",
              "UPDATE revision SET bytes = ''", "TRUNCATE revision_result"}) {
            const store::Problem denied = engine->run(erase);
            EXPECT_NE(denied.message.find("权限"), std::string::npos) << who << ": " << erase;
        }
        store::Rows rows;
        ASSERT_FALSE(engine->run("SELECT count(*) FROM hy_obq_g", {}, &rows)) << who;
    }
}

TEST(StoreTls, TakenWheneverTheServerOffersItAndRequiredWhenAsked) {
    if (testing::postgresPort().empty()) {
        GTEST_SKIP() << "no PostgreSQL server on a port (TARNELO_TEST_PG_TLS=1)";
    }
    const std::string server = "postgresql://tarnelo_admin@127.0.0.1:" + testing::postgresPort();
    const auto tls = [](const std::string& url) {
        store::Problem problem;
        auto engine = store::openPostgreSQL(url, problem);
        EXPECT_TRUE(engine) << problem.message;
        store::Rows rows;
        EXPECT_FALSE(engine->run(
            "SELECT CASE WHEN ssl THEN 'tls' ELSE 'plain' END FROM pg_stat_ssl WHERE pid = "
            "pg_backend_pid()",
            {}, &rows));
        return rows.at(0, 0).text;
    };
    EXPECT_EQ(tls(server + "/postgres"), "tls");
    EXPECT_EQ(tls(server + "/postgres?sslmode=require"), "tls");
    EXPECT_EQ(tls(server + "/postgres?sslmode=disable"), "plain");
    // A certificate no authority of the user's signed is refused when the user asks for that.
    store::Result<Store> unverified =
        Store::open(store::locationOf(server + "/postgres?sslmode=verify-full&sslrootcert=" +
                                      std::string(TARNELO_SOURCE_DIR) + "/README.md"));
    ASSERT_FALSE(unverified);
    EXPECT_NE(unverified.problem.message.find("无法连接"), std::string::npos)
        << unverified.problem.message;
}

} // namespace
} // namespace tarnelo
