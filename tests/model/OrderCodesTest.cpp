#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "model/OrderCodes.h"
#include "model/Order.h"

namespace ordersrv {

namespace {

Order OrderOf(int32_t orderType, int32_t orderModifier) {
    Order order;
    order.orderType = orderType;
    order.orderModifier = orderModifier;
    return order;
}

TEST(OrderCodes, ActionTextJoinsDirectionAndKind) {
    EXPECT_EQ(ActionText(OrderOf(OrderTypeCode::Buy, OrderModifierCode::Limit)), "Buy Lmt");
    EXPECT_EQ(ActionText(OrderOf(OrderTypeCode::Sell, OrderModifierCode::Stop)), "Sell Stp");
    EXPECT_EQ(ActionText(OrderOf(OrderTypeCode::Buy, OrderModifierCode::Market)), "Buy Mkt");
    EXPECT_EQ(ActionText(OrderOf(OrderTypeCode::None, OrderModifierCode::None)),
              "Unknown Action ???");
}

TEST(OrderCodes, ActionTextOfCodesOutsideTheVocabulary) {
    EXPECT_EQ(ActionText(OrderOf(5, OrderModifierCode::Limit)), "Unknown");
    EXPECT_EQ(ActionText(OrderOf(INT_MIN, 7)), "Unknown");
    EXPECT_EQ(ActionText(OrderOf(OrderTypeCode::Buy, 7)), "Buy");
    EXPECT_EQ(ActionText(OrderOf(OrderTypeCode::Sell, -2)), "Sell");
}

TEST(OrderCodes, HasPriceOnlyForLimitAndStop) {
    EXPECT_FALSE(HasPrice(OrderOf(0, OrderModifierCode::Market)));
    EXPECT_FALSE(HasPrice(OrderOf(0, OrderModifierCode::None)));
    EXPECT_TRUE(HasPrice(OrderOf(0, OrderModifierCode::Limit)));
    EXPECT_TRUE(HasPrice(OrderOf(0, OrderModifierCode::Stop)));
    EXPECT_FALSE(HasPrice(OrderOf(0, 3)));
}

TEST(OrderCodes, TablesStartAtTheirLowestCode) {
    EXPECT_STREQ(OrderTimeFrameNames(-1), "N/A");
    EXPECT_STREQ(OrderTimeFrameNames(TimeFrameCode::GTC), "GTC");
    EXPECT_STREQ(OrderTypeNames(OrderTypeCode::Sell), "Sell");
    EXPECT_STREQ(OrderModifierNames(OrderModifierCode::Stop), "Stop");
    EXPECT_STREQ(OrderStatusNames(StatusCode::PartFilled), "P. Filled");
    EXPECT_STREQ(OrderStatusNames(StatusCode::Rejected7), "Rejected");
    EXPECT_STREQ(OrderStatusNames(StatusCode::Rejected), "Rejected");
    EXPECT_STREQ(OrderStatusNames(StatusCode::CancelSent), "Cancel Sent");
    EXPECT_STREQ(SymTypeNames(SymTypeCode::Other), "Other");
    EXPECT_STREQ(SymTypeLongNames(SymTypeCode::FutureOpt), "Future Option");
    EXPECT_STREQ(SymTypeTags(SymTypeCode::Forex), "($)");
}

TEST(OrderCodes, CodesOutsideATableYieldTheFallbackText) {
    EXPECT_STREQ(kUnknownCodeText, "Unknown");
    EXPECT_STREQ(OrderTypeNames(2), kUnknownCodeText);
    EXPECT_STREQ(OrderTypeNames(-2), kUnknownCodeText);
    EXPECT_STREQ(OrderModifierNames(3), kUnknownCodeText);
    EXPECT_STREQ(OrderTimeFrameNames(INT_MIN), kUnknownCodeText);
    EXPECT_STREQ(SymTypeNames(8), kUnknownCodeText);
    EXPECT_STREQ(SymTypeLongNames(-1), kUnknownCodeText);
    EXPECT_STREQ(SymTypeTags(INT_MAX), kUnknownCodeText);
    EXPECT_STREQ(OrderStatusNames(11), kUnknownCodeText);
    EXPECT_STREQ(OrderStatusNames(-1), kUnknownCodeText);
}

}  // namespace

}  // namespace ordersrv
