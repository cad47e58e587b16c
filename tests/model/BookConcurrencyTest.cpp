#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "model/OrderBook.h"
#include "model/PositionBook.h"

namespace {

constexpr int kWriters = 4;
constexpr int kPerWriter = 500;

// Writers add while readers look up and walk the lists; every record added must be findable
// once all writers are done, and no reader may see a record that is not there.
TEST(BookConcurrency, AddsWhileOthersLookUp) {
    OrderBook orders;
    PositionBook positions;
    std::atomic<bool> writing{true};
    std::atomic<int> badReads{0};

    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r)
        readers.emplace_back([&] {
            while (writing.load()) {
                for (int32_t id = 0; id < kWriters * kPerWriter; id += 97) {
                    const Order* o = orders.FindByRefId(id);
                    if (o != nullptr && o->OrderRefId != id) ++badReads;
                }
                const int32_t n = orders.Count();
                if (n > 0 && orders.ItemAt(n - 1) == nullptr) ++badReads;
                const Position* p = positions.FindSymbol("S7");
                if (p != nullptr && p->Symbol != "S7") ++badReads;
                const int32_t m = positions.Count();
                if (m > 0 && positions.ItemAt(m - 1) == nullptr) ++badReads;
            }
        });

    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kPerWriter; ++i) {
                const int32_t id = w * kPerWriter + i;
                auto order = std::make_unique<Order>();
                order->OrderRefId = id;
                orders.Add(std::move(order));
                auto position = std::make_unique<Position>();
                position->Symbol = "S" + std::to_string(id);
                positions.Add(std::move(position));
            }
        });
    for (std::thread& t : writers) t.join();
    writing = false;
    for (std::thread& t : readers) t.join();

    EXPECT_EQ(badReads.load(), 0);
    EXPECT_EQ(orders.Count(), kWriters * kPerWriter);
    EXPECT_EQ(positions.Count(), kWriters * kPerWriter);
    for (int32_t id = 0; id < kWriters * kPerWriter; ++id) {
        ASSERT_NE(orders.FindByRefId(id), nullptr) << id;
        ASSERT_NE(positions.FindSymbol("s" + std::to_string(id)), nullptr) << id;
    }
}

}  // namespace
