// An import killed with SIGKILL half-way: the store still opens and holds whole gaugings only.
#include "store_fixture.hpp"

#include <sys/wait.h>

#include <csignal>
#include <thread>

namespace tarnelo {
namespace {

using store::Store;
using testing::kZhang;
using testing::madeBytes;
using testing::readFile;
using testing::writeFile;

class KilledImport : public testing::StoreOnEngine {};

TEST_P(KilledImport, LeavesOnlyWholeGaugings) {
    const auto in = folder_ / "in";
    std::filesystem::create_directories(in);
    for (int n = 1; n <= 3000; ++n) {
        writeFile(in / ("g" + std::to_string(n) + ".dat"), madeBytes(std::to_string(n)));
    }
    made();
    const pid_t child = ::fork();
    if (child == 0) {
        Store mine = std::move(*Store::open(location()).value);
        mine.importFiles({in.string()}, kZhang);
        ::_exit(0);
    }
    // Killed once it has taken some files.
    for (int wait = 0; wait < 2000; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Store peek = opened(Store::Access::ReadOnly);
        if (peek.list().value->size() >= 20) {
            break;
        }
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    Store store = opened();
    const std::vector<store::GaugingEntry> entries = *store.list().value;
    EXPECT_GE(entries.size(), 20U);
    EXPECT_LT(entries.size(), 3000U) << "the import ended before it was killed";
    for (const store::GaugingEntry& e : entries) {
        store::Result<store::StoredGauging> one = store.read(e.name);
        ASSERT_TRUE(one) << e.name;
        EXPECT_EQ(one.value->bytes, readFile(in / (e.name + ".dat"))) << e.name;
        EXPECT_EQ(e.status, "已计算");
    }
    auto sql = engine();
    store::Rows rows;
    ASSERT_FALSE(sql->run("SELECT count(*) FROM revision r LEFT JOIN revision_result x ON "
                          "x.revision_id = r.id WHERE x.revision_id IS NULL",
                          {}, &rows));
    EXPECT_EQ(rows.at(0, 0).number(), 0);
    // The rest comes in on the next import.
    EXPECT_EQ(store.importFiles({in.string()}, kZhang)
                  .count(store::ImportReport::Item::Outcome::Unchanged),
              static_cast<int>(entries.size()));
    EXPECT_EQ(store.list().value->size(), 3000U);
}

INSTANTIATE_TEST_SUITE_P(Engines, KilledImport,
                         ::testing::Values(store::Location::Engine::SQLite,
                                           store::Location::Engine::PostgreSQL),
                         testing::engineName);

} // namespace
} // namespace tarnelo
