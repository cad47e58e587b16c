#include "tests/engine/EngineFixture.h"

class EngineSettingsAndLogTest : public EngineFixture {};

TEST_F(EngineSettingsAndLogTest, ControlsGiveTrimmedSettings) {
    engine.TakeSettingsFromControls("  c:\\nt\\\t", "\t sim101 \r\n", true);
    EXPECT_EQ(engine.settings.Location, "c:\\nt\\");
    EXPECT_EQ(engine.settings.Account, "sim101");
    EXPECT_TRUE(engine.settings.StopToStopLimit);
    EXPECT_EQ(engine.LogLineCount(), 0u);
}

TEST_F(EngineSettingsAndLogTest, AccountThatCouldCorruptAnInstructionIsRefused) {
    engine.TakeSettingsFromControls("c:\\nt", "SIM101", false);
    engine.TakeSettingsFromControls(" d:\\nt ", " SIM;101 ", true);
    EXPECT_EQ(engine.settings.Account, "SIM101");
    EXPECT_EQ(engine.settings.Location, "d:\\nt");  // the other settings still change
    EXPECT_TRUE(engine.settings.StopToStopLimit);
    ASSERT_EQ(engine.LogLineCount(), 1u);
    std::string line;
    ASSERT_TRUE(engine.LogLine(0, line));
    EXPECT_EQ(line,
              "Settings: account <SIM;101> refused: it holds a character an instruction line "
              "cannot carry");
    EXPECT_EQ(CountOf(DeliveredMessages(), WindowMessage::LogLinesPending), 1u);

    engine.TakeSettingsFromControls("d:\\nt", "SIM\n101", false);
    EXPECT_EQ(engine.settings.Account, "SIM101");
    EXPECT_EQ(engine.LogLineCount(), 2u);
}

TEST_F(EngineSettingsAndLogTest, LogKeepsTheNewestLinesUpToItsLimit) {
    const size_t total = Engine::kMaxLogLines + 2;
    for (size_t i = 0; i < total; ++i) engine.AddLogLine("line " + std::to_string(i));
    EXPECT_EQ(engine.LogLineCount(), Engine::kMaxLogLines);
    std::string line;
    ASSERT_TRUE(engine.LogLine(0, line));
    EXPECT_EQ(line, "line 2");
    ASSERT_TRUE(engine.LogLine(Engine::kMaxLogLines - 1, line));
    EXPECT_EQ(line, "line " + std::to_string(total - 1));
    EXPECT_FALSE(engine.LogLine(Engine::kMaxLogLines, line));
    EXPECT_EQ(line, "line " + std::to_string(total - 1));
    EXPECT_EQ(window.Count(), total);  // one 4041 per line
}
