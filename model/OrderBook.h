#pragma once
// Every order of the run in arrival order, found by the host's reference id.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "model/Order.h"
#include "platform/ReentrantLock.h"

struct OrderIndexEntry {
    int32_t RefId;
    int32_t Index;
};

class OrderBook {
public:
    static constexpr int32_t OrderIndexBucketCount = 1000;

    OrderBook() = default;
    OrderBook(const OrderBook&) = delete;
    OrderBook& operator=(const OrderBook&) = delete;

    // Appends and indexes the record; returns its position. A repeated id is appended but the
    // index keeps the first record; a negative id is appended but never indexed.
    int32_t Add(std::unique_ptr<Order> record);
    int32_t Count() const;
    Order* ItemAt(int32_t position) const;  // nullptr outside 0..Count()-1
    Order* FindByRefId(int32_t refId) const;  // earliest record with that id

private:
    // Re-entrant, like the engine's critical sections around it.
    mutable std::recursive_mutex lock_;
    std::vector<std::unique_ptr<Order>> records_;
    std::array<std::vector<OrderIndexEntry>, OrderIndexBucketCount> buckets_;
};
