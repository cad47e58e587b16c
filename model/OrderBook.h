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
    // index keeps the first record, unless `takeOverReference`: then the index points at this
    // one (an earlier run's order gives its reference up). A negative id is appended but never
    // indexed.
    int32_t Add(Order record, bool takeOverReference = false);
    int32_t Add(std::unique_ptr<Order> record);  // -1 for none
    int32_t Count() const { return count_; }
    Order* ItemAt(int32_t position) const;     // nullptr outside 0..Count()-1
    Order* FindByRefId(int32_t refId) const;   // the record the id is indexed under
    int32_t FindPositionByRefId(int32_t refId) const;  // its position, or -1

private:
    struct IndexEntry {
        int32_t refId;
        int32_t position;
    };
    // Orders live in blocks that never move, so a record's address holds for the run (the
    // place actions keep it) and no order costs an allocation of its own.
    static constexpr int32_t kBlockOrders = 256;
    std::vector<std::unique_ptr<Order[]>> blocks_;
    int32_t count_ = 0;
    std::array<std::vector<IndexEntry>, kIndexBuckets> buckets_;  // by refId % 1000, ascending
};

}  // namespace ordersrv
