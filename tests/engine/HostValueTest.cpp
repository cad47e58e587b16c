#include <gtest/gtest.h>

#include "engine/EngineError.h"
#include "engine/HostValue.h"
#include "platform/DateTime.h"

TEST(HostValueTest, TextFormsFollowAutomationCoercion) {
    const std::string sep = plat::DecimalSeparator();
    EXPECT_EQ(THostValue::Text(" es z;").ToText(), " es z;");  // unchanged: no trim, no case
    EXPECT_EQ(THostValue::Integer(-42).ToText(), "-42");
    EXPECT_EQ(THostValue::Integer(1234567890123LL).ToText(), "1234567890123");
    EXPECT_EQ(THostValue::Real(1.5).ToText(), "1" + sep + "5");
    EXPECT_EQ(THostValue::Real(0.1).ToText(), "0" + sep + "1");
    EXPECT_EQ(THostValue::Real(100.0).ToText(), "100");
    EXPECT_EQ(THostValue::Real(-2.25).ToText(), "-2" + sep + "25");
    EXPECT_EQ(THostValue::Real(1e20).ToText(), "1E+20");
    EXPECT_EQ(THostValue::Empty().ToText(), "");
}

TEST(HostValueTest, NullAndArrayCannotBecomeText) {
    for (const THostValue& value : {THostValue::Null(), THostValue::Array()}) {
        try {
            value.ToText();
            ADD_FAILURE() << "no conversion error";
        } catch (const TEngineError& e) {
            EXPECT_STREQ(e.what(), kConversionErrorText);
            EXPECT_EQ(e.HResult(), 0);
        }
    }
}
