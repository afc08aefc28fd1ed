#include <gtest/gtest.h>

#include "base/Singleton.h"
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

TEST(SharedPtr, CountFollowsOwnersAndDestroysAtZero) {
    int deaths = 0;
    auto* raw = new Tracked(&deaths);
    EXPECT_EQ(raw->refCount, 0);
    {
        shared_ptr<Tracked> a(raw);
        EXPECT_EQ(raw->refCount, 1);
        {
            shared_ptr<Tracked> b = a;
            EXPECT_EQ(raw->refCount, 2);
            shared_ptr<Tracked> c;
            c = b;
            EXPECT_EQ(raw->refCount, 3);
        }
        EXPECT_EQ(raw->refCount, 1);
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(SharedPtr, SelfAssignmentKeepsTheObject) {
    int deaths = 0;
    shared_ptr<Tracked> a(new Tracked(&deaths));
    shared_ptr<Tracked>& alias = a;
    a = alias;
    EXPECT_EQ(a->refCount, 1);
    a = a.get();
    EXPECT_EQ(a->refCount, 1);
    EXPECT_EQ(deaths, 0);
}

TEST(SharedPtr, ReassignReleasesOldAndRetainsNew) {
    int deaths = 0;
    shared_ptr<Tracked> a(new Tracked(&deaths));
    shared_ptr<Tracked> b(new Tracked(&deaths));
    Tracked* second = b.get();
    a = b;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(second->refCount, 2);
    a = nullptr;
    b.reset();
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

TEST(SharedPtr, MoveTransfersWithoutTouchingCount) {
    int deaths = 0;
    shared_ptr<Tracked> a(new Tracked(&deaths));
    shared_ptr<Tracked> b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b->refCount, 1);
    shared_ptr<Tracked> c;
    c = std::move(b);
    EXPECT_EQ(c->refCount, 1);
    EXPECT_EQ(deaths, 0);
}

TEST(SharedPtr, ConvertsToBaseAndCastsBack) {
    int deaths = 0;
    shared_ptr<Derived> d(new Derived(&deaths));
    shared_ptr<Tracked> t = d;
    EXPECT_EQ(d->refCount, 2);
    shared_ptr<Derived> back = t.cast<Derived>();
    EXPECT_EQ(back.get(), d.get());
    EXPECT_EQ(d->refCount, 3);
    EXPECT_FALSE(shared_ptr<shared_object>(new Tracked(&deaths)).cast<Derived>());
    EXPECT_EQ(deaths, 1);
}

struct Counter : Singleton<Counter> {
    int value = 0;
};

TEST(Singleton, InstanceIsTheSameObject) {
    Counter::Instance().value = 7;
    EXPECT_EQ(&Counter::Instance(), &Counter::Instance());
    EXPECT_EQ(Counter::Instance().value, 7);
}

}  // namespace
