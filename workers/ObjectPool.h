#pragma once
// A fixed pool of pre-made objects, so hot paths allocate nothing while the pool has free ones.
#include <cstdint>
#include <mutex>
#include <vector>

namespace ordersrv {

class PooledObject {
public:
    virtual ~PooledObject() = default;
    int32_t poolIndex = -1;  // slot while handed out; -1 for an object made outside the pool
};

class ObjectPool {
public:
    virtual ~ObjectPool();
    ObjectPool(const ObjectPool&) = delete;
    ObjectPool& operator=(const ObjectPool&) = delete;

    // A free object, or an extra one made on the spot when the pool is exhausted.
    PooledObject* Acquire();
    // Gives the object back (an extra one is freed) and sets the caller's reference to null.
    void Release(PooledObject*& object);

    int32_t Capacity() const;
    int32_t FreeCount() const;

protected:
    ObjectPool() = default;
    // Fills every slot; derived classes call it from their constructor.
    void Fill(int32_t capacity);
    virtual PooledObject* CreateItem() = 0;

private:
    mutable std::recursive_mutex lock_;  // re-entrant, like the platform's critical section
    int32_t capacity_ = 0;
    int32_t freeCount_ = 0;
    std::vector<PooledObject*> items_;  // owned; free ones first
};

}  // namespace ordersrv
