#include "workers/ObjectPool.h"

namespace ordersrv {

ObjectPool::~ObjectPool() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    for (PooledObject* item : items_) delete item;
    items_.clear();
    capacity_ = 0;
    freeCount_ = 0;
}

void ObjectPool::Fill(int32_t capacity) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    const int32_t slots = capacity > 0 ? capacity : 0;
    items_.reserve(static_cast<size_t>(slots));
    for (int32_t slot = 0; slot < slots; ++slot) items_.push_back(CreateItem());
    capacity_ = slots;
    freeCount_ = slots;
}

PooledObject* ObjectPool::Acquire() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (freeCount_ > 0) {
        const int32_t slot = freeCount_ - 1;
        PooledObject* object = items_[static_cast<size_t>(slot)];
        object->poolIndex = slot;
        --freeCount_;
        return object;
    }
    // Exhausted: an extra object, made one at a time and freed again on release.
    PooledObject* extra = CreateItem();
    extra->poolIndex = -1;
    return extra;
}

void ObjectPool::Release(PooledObject*& object) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    PooledObject* const given = object;
    object = nullptr;
    if (given == nullptr) return;
    const int32_t slot = given->poolIndex;
    if (slot < 0) {
        delete given;
        return;
    }
    // An object already back in the pool (released twice) or not from this pool would make a
    // handed-out object look free; such a release is ignored.
    if (slot >= capacity_ || slot < freeCount_ || items_[static_cast<size_t>(slot)] != given) return;
    if (slot != freeCount_) {
        // The free region grows by one slot: move the returned object there and the handed-out
        // object that sat there into the returned object's old slot.
        PooledObject*& boundary = items_[static_cast<size_t>(freeCount_)];
        items_[static_cast<size_t>(slot)] = boundary;
        boundary = given;
        items_[static_cast<size_t>(slot)]->poolIndex = slot;
    }
    ++freeCount_;
}

int32_t ObjectPool::Capacity() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return capacity_;
}

int32_t ObjectPool::FreeCount() const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return freeCount_;
}

}  // namespace ordersrv
