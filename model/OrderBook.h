#pragma once
// Every order of the run in arrival order, found by the host's reference id. Not locked: its
// owner guards it (one lock per book).
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/Order.h"

namespace ordersrv {

class OrderBook {
public:
    static constexpr int32_t kIndexBuckets = 1000;

    OrderBook() = default;
    OrderBook(const OrderBook&) = delete;
    OrderBook& operator=(const OrderBook&) = delete;

    // Appends and indexes the record; returns its position. A repeated id is appended but the
    // index keeps the first record; a negative id is appended but never indexed.
    int32_t Add(std::unique_ptr<Order> record);
    int32_t Count() const { return static_cast<int32_t>(records_.size()); }
    Order* ItemAt(int32_t position) const;     // nullptr outside 0..Count()-1
    Order* FindByRefId(int32_t refId) const;   // earliest record with that id

private:
    struct IndexEntry {
        int32_t refId;
        int32_t position;
    };
    std::vector<std::unique_ptr<Order>> records_;
    std::array<std::vector<IndexEntry>, kIndexBuckets> buckets_;  // by refId % 1000, ascending
};

}  // namespace ordersrv
