// The status line, the orders counter and the notification-area tip.
#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "ui/StatusText.h"

namespace ordersrv {

TEST(StatusText, NinjaTraderPartFollowsConnectionAndFolder) {
    EXPECT_EQ(views::StatusLineText(false, false, 0.0), "NT (n/a) / Halvenmar (off)");
    EXPECT_EQ(views::StatusLineText(false, true, 0.0), "NT (off) / Halvenmar (off)");
    EXPECT_EQ(views::StatusLineText(true, true, 0.0), "NT (on) / Halvenmar (off)");
}

TEST(StatusText, HostPartShowsTheLastContactTime) {
    const std::string sep = plat::TimeSeparator();
    const double when = plat::EncodeDateTime({2026, 5, 1, 7, 8, 9});
    EXPECT_EQ(views::StatusLineText(true, true, when),
              "NT (on) / Halvenmar (07" + sep + "08" + sep + "09)");
}

TEST(StatusText, OrdersCounter) {
    EXPECT_EQ(views::OrdersCounterText(3, 0), "3/0");
    EXPECT_EQ(views::OrdersCounterText(0, 0), "0/0");
}

TEST(StatusText, TipIsCutAfterItsSixtyThirdCharacter) {
    EXPECT_EQ(views::TrayTipText("NT (n/a) / Halvenmar (off)"),
              "OrderServer (NT) - NT (n/a) / Halvenmar (off)");
    const std::string tip = views::TrayTipText(std::string(100, 'x'));
    EXPECT_EQ(tip.size(), 63u);
    EXPECT_EQ(tip, "OrderServer (NT) - " + std::string(63 - 19, 'x'));
    EXPECT_EQ(views::TrayTipText(std::string(44, 'y')).size(), 63u);
}

}  // namespace ordersrv
