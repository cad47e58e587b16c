#include "model/OrderBook.h"

#include <utility>

namespace ordersrv {

namespace {

struct BucketSearch {
    bool found;
    size_t position;  // of the match, or where the id would be inserted
};

// Binary search of a bucket kept in ascending order of reference.
template <class Bucket>
BucketSearch SearchBucket(const Bucket& bucket, int32_t refId) {
    size_t low = 0, high = bucket.size();  // half-open: [low, high)
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (bucket[middle].refId == refId) return {true, middle};
        if (bucket[middle].refId < refId)
            low = middle + 1;
        else
            high = middle;
    }
    return {false, low};
}

}  // namespace

int32_t OrderBook::Add(std::unique_ptr<Order> record) {
    return record ? Add(std::move(*record)) : -1;
}

int32_t OrderBook::Add(Order record, bool takeOverReference) {
    const int32_t position = count_;
    const int32_t refId = record.orderRefId;
    if (position % kBlockOrders == 0) blocks_.push_back(std::make_unique<Order[]>(kBlockOrders));
    blocks_.back()[static_cast<size_t>(position % kBlockOrders)] = std::move(record);
    ++count_;
    // A negative id has no bucket: the order is listed but cannot be looked up.
    if (refId < 0) return position;
    auto& bucket = buckets_[static_cast<size_t>(refId % kIndexBuckets)];
    const BucketSearch search = SearchBucket(bucket, refId);
    if (!search.found)
        bucket.insert(bucket.begin() + static_cast<std::ptrdiff_t>(search.position),
                      IndexEntry{refId, position});
    else if (takeOverReference)
        bucket[search.position].position = position;
    return position;
}

Order* OrderBook::ItemAt(int32_t position) const {
    if (position < 0 || position >= count_) return nullptr;
    return &blocks_[static_cast<size_t>(position / kBlockOrders)]
                   [static_cast<size_t>(position % kBlockOrders)];
}

Order* OrderBook::FindByRefId(int32_t refId) const { return ItemAt(FindPositionByRefId(refId)); }

int32_t OrderBook::FindPositionByRefId(int32_t refId) const {
    if (refId < 0) return -1;
    const auto& bucket = buckets_[static_cast<size_t>(refId % kIndexBuckets)];
    const BucketSearch search = SearchBucket(bucket, refId);
    return search.found ? bucket[search.position].position : -1;
}

}  // namespace ordersrv
