#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/OrderBook.h"
#include "platform/DateTime.h"

namespace ordersrv {

namespace {

std::unique_ptr<Order> OrderWithRef(int32_t refId, int32_t size = 0) {
    auto order = std::make_unique<Order>();
    order->orderRefId = refId;
    order->orderSize = size;
    return order;
}

constexpr double kOneMinute = 1.0 / (24 * 60);

TEST(OrderRecord, StartsOpenWithoutReferenceAndStampedNow) {
    const double before = plat::NowDateTime();
    const Order order;
    EXPECT_EQ(order.status, StatusCode::Open);
    EXPECT_EQ(order.orderRefId, -1);
    EXPECT_EQ(order.fillSize, 0);
    EXPECT_EQ(order.updateTime, 0.0);
    EXPECT_GE(order.receivedTime, before - kOneMinute);
    EXPECT_LE(order.receivedTime, plat::NowDateTime() + kOneMinute);
}

TEST(OrderBook, ListsInArrivalOrderAndAnswersNoneOutsideIt) {
    OrderBook book;
    EXPECT_EQ(book.Count(), 0);
    EXPECT_EQ(book.ItemAt(0), nullptr);
    EXPECT_EQ(book.FindByRefId(5), nullptr);

    EXPECT_EQ(book.Add(OrderWithRef(10)), 0);
    EXPECT_EQ(book.Add(OrderWithRef(11)), 1);
    EXPECT_EQ(book.Add(OrderWithRef(12)), 2);
    EXPECT_EQ(book.Count(), 3);
    ASSERT_NE(book.ItemAt(0), nullptr);
    EXPECT_EQ(book.ItemAt(0)->orderRefId, 10);
    EXPECT_EQ(book.ItemAt(2)->orderRefId, 12);
    EXPECT_EQ(book.ItemAt(3), nullptr);
    EXPECT_EQ(book.ItemAt(-1), nullptr);
}

TEST(OrderBook, FindsEveryIdOfOneBucketWhateverTheOrderOfAdding) {
    std::vector<int32_t> ids{5, 1005, 2005, 1000, 0};
    std::sort(ids.begin(), ids.end());
    do {
        OrderBook book;
        for (const int32_t id : ids) book.Add(OrderWithRef(id));
        for (const int32_t id : ids) {
            const Order* found = book.FindByRefId(id);
            ASSERT_NE(found, nullptr) << id;
            EXPECT_EQ(found->orderRefId, id);
        }
        EXPECT_EQ(book.FindByRefId(3005), nullptr);
        EXPECT_EQ(book.FindByRefId(2000), nullptr);
    } while (std::next_permutation(ids.begin(), ids.end()));
}

TEST(OrderBook, NegativeIdIsListedButNeverFound) {
    OrderBook book;
    EXPECT_EQ(book.Add(OrderWithRef(-1)), 0);
    EXPECT_EQ(book.Add(OrderWithRef(INT32_MIN)), 1);
    EXPECT_EQ(book.Add(OrderWithRef(-1000)), 2);
    EXPECT_EQ(book.Add(OrderWithRef(1000)), 3);
    EXPECT_EQ(book.Count(), 4);
    EXPECT_EQ(book.FindByRefId(-1), nullptr);
    EXPECT_EQ(book.FindByRefId(INT32_MIN), nullptr);
    EXPECT_EQ(book.FindByRefId(-1000), nullptr);
    ASSERT_NE(book.FindByRefId(1000), nullptr);
    EXPECT_EQ(book.FindByRefId(1000), book.ItemAt(3));
    EXPECT_EQ(book.Add(nullptr), -1);  // nothing to keep
    EXPECT_EQ(book.Count(), 4);
}

}  // namespace

}  // namespace ordersrv
