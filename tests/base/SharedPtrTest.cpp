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

// Copies, assignments (to itself too), moves and resets: the object dies
// exactly when its last owner lets go.
TEST(SharedPtr, TheLastOwnerDestroys) {
    int deaths = 0;
    auto* raw = new Tracked(&deaths);
    shared_ptr<Tracked> a(raw);
    {
        shared_ptr<Tracked> b = a;
        shared_ptr<Tracked> c;
        c = b;
        EXPECT_EQ(raw->refCount, 3);
        shared_ptr<Tracked>& alias = a;
        a = alias;
        a = a.get();
        EXPECT_EQ(raw->refCount, 3);
        shared_ptr<Tracked> moved(std::move(c));
        EXPECT_FALSE(c);
        EXPECT_EQ(raw->refCount, 3);
    }
    EXPECT_EQ(raw->refCount, 1);
    shared_ptr<Tracked> other(new Tracked(&deaths));
    a = other;  // the first object's last owner moves on
    EXPECT_EQ(deaths, 1);
    a = nullptr;
    other.reset();
    EXPECT_EQ(deaths, 2);
}

TEST(SharedPtr, ReleaseDecrementsOnlyAPositiveCount) {
    // An object whose count was already dropped to 0 elsewhere is destroyed by
    // the next release instead of going negative and leaking.
    int deaths = 0;
    auto* raw = new Tracked(&deaths);
    shared_ptr<Tracked> a(raw);
    raw->refCount = 0;
    a.reset();
    EXPECT_EQ(deaths, 1);
}

TEST(SharedPtr, ConvertsToBaseAndCastsBack) {
    int deaths = 0;
    shared_ptr<Derived> d(new Derived(&deaths));
    shared_ptr<Tracked> t = d;
    shared_ptr<Derived> back = t.cast<Derived>();
    EXPECT_EQ(back.get(), d.get());
    EXPECT_EQ(d->refCount, 3);
    EXPECT_FALSE(shared_ptr<shared_object>(new Tracked(&deaths)).cast<Derived>());
    EXPECT_EQ(deaths, 1);
}

}  // namespace
