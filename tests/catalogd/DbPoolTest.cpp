// The store connections every request leases, on the engine the program tests.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "DbPool.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

using namespace std::chrono_literals;

TEST(DbPool, NeverOpensMoreThanItsLimitAndHandsOnWhatComesBack) {
    TestStore store;
    DbPool pool(store.Location(), 2, 50ms);
    std::optional<DbPool::Lease> first(pool.Acquire());
    auto second = pool.Acquire();
    EXPECT_THROW(pool.Acquire(), DbPoolExhausted);
    EXPECT_EQ(pool.OpenCount(), 2);

    DbPool patient(store.Location(), 1, 60s);
    std::optional<DbPool::Lease> held(patient.Acquire());
    auto waiting = std::async(std::launch::async, [&] { return patient.Acquire()->Healthy(); });
    EXPECT_EQ(waiting.wait_for(50ms), std::future_status::timeout);
    held.reset();
    ASSERT_EQ(waiting.wait_for(60s), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
    EXPECT_EQ(patient.OpenCount(), 1);
}

TEST(DbPool, AConnectionThatCannotBeOpenedGivesBackItsPlace) {
    TempDir dir;
    DbPool pool((dir.Path() / "no-such-folder" / "store.db").string(), 1, 10ms);
    EXPECT_THROW(pool.Acquire(), DbError);
    // Had the failed attempt kept its place, this one would find the pool full.
    try {
        pool.Acquire();
        FAIL() << "a store in a missing folder opened";
    } catch (const DbPoolExhausted&) {
        FAIL() << "the failed connection kept its place";
    } catch (const DbError&) {
    }
    EXPECT_EQ(pool.OpenCount(), 0);
}

TEST(ReadStoredInt, ReadsNumbersAsTheEmbeddedEngineDoesAndRefusesTheRest) {
    const struct { const char* text; std::optional<int64_t> value; } cases[] = {
        {"42", 42}, {"-7", -7}, {"3.75", 3}, {"-2.5", -2}, {"9223372036854775807", INT64_MAX},
        {"", std::nullopt}, {"x7", std::nullopt}, {"7x", std::nullopt}, {"1.2.3", std::nullopt},
        {"1e6", std::nullopt}, {"99999999999999999999", std::nullopt}, {" 5", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadStoredInt(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace catalogd::test
