#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "model/OrderBook.h"
#include "model/PositionBook.h"
#include "platform/Guarded.h"

namespace ordersrv {

namespace {

constexpr int kWriters = 4;
constexpr int kPerWriter = 500;

// Each book is guarded by one lock, as the engine holds it. Writers add while readers look up
// and walk the lists; every record added must be findable once all writers are done, and no
// reader may see a record that is not there.
TEST(BookConcurrency, AddsWhileOthersLookUp) {
    plat::Guarded<OrderBook> guardedOrders;
    plat::Guarded<PositionBook> guardedPositions;
    std::atomic<bool> writing{true};
    std::atomic<int> badReads{0};

    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r)
        readers.emplace_back([&] {
            while (writing.load()) {
                guardedOrders.With([&](OrderBook& orders) {
                    for (int32_t id = 0; id < kWriters * kPerWriter; id += 97) {
                        const Order* o = orders.FindByRefId(id);
                        if (o != nullptr && o->orderRefId != id) ++badReads;
                    }
                    const int32_t n = orders.Count();
                    if (n > 0 && orders.ItemAt(n - 1) == nullptr) ++badReads;
                });
                guardedPositions.With([&](PositionBook& positions) {
                    const Position* p = positions.FindSymbol("S7");
                    if (p != nullptr && p->symbol != "S7") ++badReads;
                    const int32_t m = positions.Count();
                    if (m > 0 && positions.ItemAt(m - 1) == nullptr) ++badReads;
                });
            }
        });

    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kPerWriter; ++i) {
                const int32_t id = w * kPerWriter + i;
                auto order = std::make_unique<Order>();
                order->orderRefId = id;
                guardedOrders.With([&](OrderBook& orders) { return orders.Add(std::move(order)); });
                auto position = std::make_unique<Position>();
                position->symbol = "S" + std::to_string(id);
                guardedPositions.With([&](PositionBook& positions) { positions.Add(std::move(position)); });
            }
        });
    for (std::thread& t : writers) t.join();
    writing = false;
    for (std::thread& t : readers) t.join();

    EXPECT_EQ(badReads.load(), 0);
    const OrderBook& orders = *guardedOrders.With([](OrderBook& book) { return &book; });
    const PositionBook& positions = *guardedPositions.With([](PositionBook& book) { return &book; });
    EXPECT_EQ(orders.Count(), kWriters * kPerWriter);
    EXPECT_EQ(positions.Count(), kWriters * kPerWriter);
    for (int32_t id = 0; id < kWriters * kPerWriter; ++id) {
        ASSERT_NE(orders.FindByRefId(id), nullptr) << id;
        ASSERT_NE(positions.FindSymbol("s" + std::to_string(id)), nullptr) << id;
    }
}

}  // namespace

}  // namespace ordersrv
