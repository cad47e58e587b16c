#include "model/OrderBook.h"

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
    if (!record) return -1;
    const int32_t position = Count();
    const int32_t refId = record->OrderRefId;
    records_.push_back(std::move(record));
    // A negative id has no bucket: the order is listed but cannot be looked up.
    if (refId < 0) return position;
    auto& bucket = buckets_[static_cast<size_t>(refId % kIndexBuckets)];
    const BucketSearch search = SearchBucket(bucket, refId);
    if (!search.found)
        bucket.insert(bucket.begin() + static_cast<std::ptrdiff_t>(search.position),
                      IndexEntry{refId, position});
    return position;
}

Order* OrderBook::ItemAt(int32_t position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return records_[static_cast<size_t>(position)].get();
}

Order* OrderBook::FindByRefId(int32_t refId) const {
    if (refId < 0) return nullptr;
    const auto& bucket = buckets_[static_cast<size_t>(refId % kIndexBuckets)];
    const BucketSearch search = SearchBucket(bucket, refId);
    if (!search.found) return nullptr;
    return records_[static_cast<size_t>(bucket[search.position].position)].get();
}

}  // namespace ordersrv
