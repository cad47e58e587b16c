#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "workers/ObjectPool.h"

namespace ordersrv {

namespace {

// Counts its live objects so tests can see which ones are freed.
struct CountedObject : PooledObject {
    static int live;
    CountedObject() { ++live; }
    ~CountedObject() override { --live; }
};
int CountedObject::live = 0;

class CountedPool : public ObjectPool {
public:
    explicit CountedPool(int32_t capacity) { Fill(capacity); }

protected:
    PooledObject* CreateItem() override { return new CountedObject(); }
};

TEST(ObjectPoolTest, HandsOutEveryPooledObjectOnceThenMakesExtras) {
    {
        CountedPool pool(3);
        EXPECT_EQ(CountedObject::live, 3);
        EXPECT_EQ(pool.Capacity(), 3);
        std::set<PooledObject*> seen;
        std::vector<PooledObject*> taken;
        for (int i = 0; i < 3; ++i) {
            taken.push_back(pool.Acquire());
            EXPECT_GE(taken.back()->poolIndex, 0);
            seen.insert(taken.back());
        }
        EXPECT_EQ(seen.size(), 3u);
        EXPECT_EQ(pool.FreeCount(), 0);

        PooledObject* extra = pool.Acquire();
        EXPECT_EQ(extra->poolIndex, -1);
        EXPECT_EQ(CountedObject::live, 4);
        pool.Release(extra);
        EXPECT_EQ(extra, nullptr);
        EXPECT_EQ(CountedObject::live, 3);
        EXPECT_EQ(pool.FreeCount(), 0);

        for (PooledObject*& object : taken) pool.Release(object);
        EXPECT_EQ(pool.FreeCount(), 3);
    }
    EXPECT_EQ(CountedObject::live, 0);
}

TEST(ObjectPoolTest, ReleaseInAnyOrderKeepsHandedOutObjectsInTheirSlots) {
    CountedPool pool(4);
    PooledObject* a = pool.Acquire();  // slot 3
    PooledObject* b = pool.Acquire();  // slot 2
    PooledObject* c = pool.Acquire();  // slot 1
    PooledObject* keep = b;
    pool.Release(a);  // a (slot 3) swaps with c (slot 1, the first handed-out slot)
    EXPECT_EQ(c->poolIndex, 3);
    EXPECT_EQ(pool.FreeCount(), 2);
    // The objects still out must both be distinct from what comes out next.
    PooledObject* d = pool.Acquire();
    EXPECT_NE(d, keep);
    EXPECT_NE(d, c);
    pool.Release(c);
    pool.Release(b);
    pool.Release(d);
    EXPECT_EQ(pool.FreeCount(), 4);

    // Four fresh acquisitions are four distinct objects: nothing was lost or duplicated.
    std::set<PooledObject*> seen;
    std::vector<PooledObject*> all;
    for (int i = 0; i < 4; ++i) all.push_back(pool.Acquire());
    seen.insert(all.begin(), all.end());
    EXPECT_EQ(seen.size(), 4u);
    for (PooledObject*& object : all) pool.Release(object);
}

TEST(ObjectPoolTest, ReleasingTheSameObjectTwiceDoesNotFreeAHandedOutOne) {
    CountedPool pool(3);
    PooledObject* a = pool.Acquire();
    PooledObject* b = pool.Acquire();
    PooledObject* again = a;
    pool.Release(a);
    pool.Release(again);  // ignored
    EXPECT_EQ(pool.FreeCount(), 2);
    PooledObject* c = pool.Acquire();
    PooledObject* d = pool.Acquire();
    EXPECT_NE(c, b);
    EXPECT_NE(d, b);
    pool.Release(b);
    pool.Release(c);
    pool.Release(d);
    EXPECT_EQ(pool.FreeCount(), 3);
}

}  // namespace

}  // namespace ordersrv
