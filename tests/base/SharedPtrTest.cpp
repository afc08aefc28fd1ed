#include <gtest/gtest.h>

#include "base/shared_ptr.h"

namespace {

struct Tracked : shared_object {
    explicit Tracked(int* deaths) : deaths(deaths) {}
    ~Tracked() override { ++*deaths; }
    int* deaths;
};

struct Derived : Tracked {
    using Tracked::Tracked;
};

// Copies, assignments (to itself too), moves, conversions and resets: the
// object dies exactly when its last owner lets go.
TEST(SharedPtr, TheLastOwnerDestroys) {
    int deaths = 0;
    auto* raw = new Derived(&deaths);
    shared_ptr<Derived> a(raw);
    {
        shared_ptr<Tracked> b = a;
        shared_ptr<Tracked> c;
        c = b;
        shared_ptr<Derived>& alias = a;
        a = alias;
        a = a.get();
        shared_ptr<Tracked> moved(std::move(c));
        EXPECT_FALSE(c);
        EXPECT_EQ(moved.cast<Derived>().get(), raw);
        EXPECT_EQ(raw->refCount, 3);
        EXPECT_FALSE(shared_ptr<shared_object>(new Tracked(&deaths)).cast<Derived>()) << "not a Derived";
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(raw->refCount, 1);
    a = shared_ptr<Derived>(new Derived(&deaths));  // the first object's last owner moves on
    EXPECT_EQ(deaths, 2);
    // An object whose count was already dropped to 0 elsewhere is destroyed by
    // the next release instead of going negative and leaking.
    a->refCount = 0;
    a.reset();
    EXPECT_EQ(deaths, 3);
}

}  // namespace
