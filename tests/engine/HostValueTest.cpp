#include <gtest/gtest.h>

#include "engine/EngineError.h"
#include "engine/HostValue.h"
#include "platform/DateTime.h"

namespace ordersrv {

TEST(HostValueTest, TextFormsFollowAutomationCoercion) {
    const std::string sep = plat::DecimalSeparator();
    EXPECT_EQ(HostValue::Text(" es z;").ToText(), " es z;");  // unchanged: no trim, no case
    EXPECT_EQ(HostValue::Integer(-42).ToText(), "-42");
    EXPECT_EQ(HostValue::Integer(1234567890123LL).ToText(), "1234567890123");
    EXPECT_EQ(HostValue::Real(1.5).ToText(), "1" + sep + "5");
    EXPECT_EQ(HostValue::Real(0.1).ToText(), "0" + sep + "1");
    EXPECT_EQ(HostValue::Real(100.0).ToText(), "100");
    EXPECT_EQ(HostValue::Real(-2.25).ToText(), "-2" + sep + "25");
    EXPECT_EQ(HostValue::Real(1e20).ToText(), "1E+20");
    EXPECT_EQ(HostValue::Empty().ToText(), "");
}

TEST(HostValueTest, NullAndArrayCannotBecomeText) {
    for (const HostValue& value : {HostValue::Null(), HostValue::Array()}) {
        try {
            value.ToText();
            ADD_FAILURE() << "no conversion error";
        } catch (const EngineError& e) {
            EXPECT_STREQ(e.what(), kConversionErrorText);
            EXPECT_EQ(e.HResult(), 0);
        }
    }
}

}  // namespace ordersrv
