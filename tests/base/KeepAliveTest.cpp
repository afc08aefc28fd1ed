#include <gtest/gtest.h>

#include <functional>

#include "base/KeepAlive.h"
#include "base/shared_ptr.h"

namespace {

struct Counted : shared_object {
    explicit Counted(int* deaths) : deaths(deaths) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
};

TEST(KeepAlive, OwnedObjectOutlivesItsLastOwnerUntilTheGuardsLetGo) {
    int deaths = 0;
    shared_ptr<Counted> owner(new Counted(&deaths));
    KeepAlive guard(owner.get());
    // A handler stored in a copyable function carries its own copy.
    std::function<void()> handler = [keep = guard]() {};
    owner.reset();  // the last owner lets go while guarded
    EXPECT_EQ(deaths, 0);
    guard.Drop();
    guard.Drop();  // a second drop gives nothing back twice
    EXPECT_EQ(guard.Get(), nullptr);
    EXPECT_EQ(deaths, 0);
    handler = nullptr;
    EXPECT_EQ(deaths, 1);
}

TEST(KeepAlive, ObjectNobodyOwnedYetIsLeftToItsMaker) {
    int deaths = 0;
    auto* floating = new Counted(&deaths);
    {
        KeepAlive guard(floating);
        KeepAlive copy = guard;
        KeepAlive moved = std::move(copy);
        EXPECT_EQ(copy.Get(), nullptr);
        EXPECT_EQ(floating->refCount, 2);
    }
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(floating->refCount, 0);
    shared_ptr<Counted> owner(floating);  // its maker hands it on as usual
    owner.reset();
    EXPECT_EQ(deaths, 1);
}

}  // namespace
