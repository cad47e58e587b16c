#include "tests/support/EngineHarness.h"

namespace ordersrv {

class EngineSettingsAndLogTest : public testsupport::EngineHarness {};

TEST_F(EngineSettingsAndLogTest, ControlsGiveTrimmedSettings) {
    engine.TakeSettings({"  c:\\nt\\\t", "\t sim101 \r\n", true});
    EXPECT_EQ(engine.settings.location, "c:\\nt\\");
    EXPECT_EQ(engine.settings.account, "sim101");
    EXPECT_TRUE(engine.settings.stopToStopLimit);
    EXPECT_EQ(engine.log.Count(), 0u);
}

TEST_F(EngineSettingsAndLogTest, AccountThatCouldCorruptAnInstructionIsRefused) {
    engine.TakeSettings({"c:\\nt", "SIM101", false});
    engine.TakeSettings({" d:\\nt ", " SIM;101 ", true});
    EXPECT_EQ(engine.settings.account, "SIM101");
    EXPECT_EQ(engine.settings.location, "d:\\nt");  // the other settings still change
    EXPECT_TRUE(engine.settings.stopToStopLimit);
    ASSERT_EQ(engine.log.Count(), 1u);
    std::string line;
    ASSERT_TRUE(engine.log.Line(0, line));
    EXPECT_EQ(line,
              "Settings: account <SIM;101> refused: it holds a character an instruction line "
              "cannot carry");
    EXPECT_EQ(CountOf(DeliveredMessages(), WindowMessage::LogLinesPending), 1u);

    engine.TakeSettings({"d:\\nt", "SIM\n101", false});
    EXPECT_EQ(engine.settings.account, "SIM101");
    EXPECT_EQ(engine.log.Count(), 2u);
}

TEST_F(EngineSettingsAndLogTest, LogKeepsTheNewestLinesUpToItsLimit) {
    const size_t total = EventLog::kMaxLines + 2;
    for (size_t i = 0; i < total; ++i) engine.log.Add("line " + std::to_string(i));
    EXPECT_EQ(engine.log.Count(), EventLog::kMaxLines);
    std::string line;
    ASSERT_TRUE(engine.log.Line(0, line));
    EXPECT_EQ(line, "line 2");
    ASSERT_TRUE(engine.log.Line(EventLog::kMaxLines - 1, line));
    EXPECT_EQ(line, "line " + std::to_string(total - 1));
    EXPECT_FALSE(engine.log.Line(EventLog::kMaxLines, line));
    EXPECT_EQ(line, "line " + std::to_string(total - 1));
    EXPECT_EQ(window.Count(), total);  // one LogLinesPending per line
}

}  // namespace ordersrv
