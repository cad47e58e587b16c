#include "bridge/PositionFileReader.h"
#include "tests/support/BridgeHarness.h"

namespace ordersrv {

namespace {

class PositionFileReader : public testsupport::BridgeHarness {
protected:
    PositionFileReader() { engine.settings.account = "SIM101"; }

    // Writes `name` with `content` and hands it to the reader with its upper-cased base name.
    void Read(const std::string& base, const std::string& name, const std::string& content) {
        ASSERT_TRUE(plat::WriteWholeFile(outgoing + name, content));
        ReadPositionFile(engine, base, ListedFile(outgoing + name));
    }

    struct Seen {
        bool found = false, has = false;
        int32_t size = 0;
        double cost = 0;
        int32_t count = 0;
    };
    Seen PositionOf(const std::string& symbol) {
        return engine.positions.With([&](PositionBook& db) {
            Seen seen;
            seen.count = db.Count();
            if (const Position* p = db.FindSymbol(symbol)) {
                seen.found = true;
                seen.has = p->hasPosition;
                seen.size = p->posSize;
                seen.cost = p->posCost;
            }
            return seen;
        });
    }
};

TEST_F(PositionFileReader, StoresTheSignedSizeUnderTheSymbol) {
    window.TakeAll();
    Read("ES 12-05_SIM101", "ES 12-05_SIM101_POSITION.TXT", "LONG;2;1234.5\r\n");
    Seen es = PositionOf("ES");
    EXPECT_TRUE(es.found && es.has);
    EXPECT_EQ(es.size, 2);
    EXPECT_DOUBLE_EQ(es.cost, 1234.5);
    EXPECT_EQ(MessagesPosted(WindowMessage::PositionsChanged), 1u);
    Read("ES 12-05_SIM101", "ES 12-05_SIM101_POSITION.TXT", "LONG;2;1234.5\r\n");  // again
    Read("ES 12-05_SIM101", "ES 12-05_SIM101_POSITION.TXT", "SHORT;2;1234.5");
    EXPECT_EQ(PositionOf("ES").size, -2);
    Read("ES 12-05_SIM101", "ES 12-05_SIM101_POSITION.TXT", "short;2;1234.5");
    EXPECT_EQ(PositionOf("ES").size, 2);
    Read("ES 12-05_SIM101", "ES 12-05_SIM101_POSITION.TXT", "FLAT;0;0");
    es = PositionOf("ES");
    EXPECT_EQ(es.size, 0);
    EXPECT_TRUE(es.has);
    // Another exchange part updates the same position; the later read wins.
    Read("ES GLOBEX_SIM101", "ES GLOBEX_SIM101_POSITION.TXT", "LONG;4;10");
    es = PositionOf("ES");
    EXPECT_EQ(es.size, 4);
    EXPECT_EQ(es.count, 1);
    Read("ES GLOBEX_SIM101", "ES GLOBEX_SIM101_POSITION.TXT", "LONG;4;10.5");  // the cost alone
    // Hosts hear each change once, and nothing of a report that changed nothing.
    EXPECT_EQ(heard.Take(), (std::vector<std::string>{
                                "PositionChanged ES 2 1234.5", "PositionChanged ES -2 1234.5",
                                "PositionChanged ES 2 1234.5", "PositionChanged ES 0 0",
                                "PositionChanged ES 4 10", "PositionChanged ES 4 10.5"}));
    EXPECT_TRUE(LogLines().empty());
    EXPECT_TRUE(plat::FileExists(outgoing + "ES GLOBEX_SIM101_POSITION.TXT"));
}

TEST_F(PositionFileReader, AccountMatchesWithoutRegardToCaseAndOthersAreSkippedSilently) {
    Read("ES 12-05_SIM101", "ES 12-05_sim101_position.txt", "LONG;1;1");
    EXPECT_TRUE(PositionOf("ES").found);
    Read("NQ 12-05_OTHER", "NQ 12-05_OTHER_POSITION.TXT", "LONG;1;1");
    EXPECT_FALSE(PositionOf("NQ").found);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(PositionFileReader, EveryNameAndContentFault) {
    Read("ES_SIM101", "ES_SIM101_POSITION.TXT", "LONG;1;1");
    Read(" ES_SIM101", " ES_SIM101_POSITION.TXT", "LONG;1;1");
    Read("ES _SIM101", "ES _SIM101_POSITION.TXT", "LONG;1;1");
    Read("ESZ5SIM101", "ESZ5SIM101_POSITION.TXT", "LONG;1;1");
    Read("   X_SIM101", "   X_SIM101_POSITION.TXT", "LONG;1;1");  // blanks are no symbol
    Read("ES X_", "ES X__POSITION.TXT", "LONG;1;1");  // the final "_" does not count
    Read("ES X_SIM101", "ES X_SIM101_POSITION.TXT", "LONG;one;1");
    Read("ES X_SIM101", "ES X_SIM101_POSITION.TXT", "");  // nothing yet: silent
    Read("ES X_SIM101", "ES X_SIM101_POSITION.TXT", "\r\nLONG;1;1");
    ReadPositionFile(engine, "ES X_SIM101", ListedFile(outgoing + "gone_POSITION.TXT"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "PUF <ES_SIM101_POSITION.TXT> exchange not identified",
                              "PUF < ES_SIM101_POSITION.TXT> blank symbol or exchange",
                              "PUF <ES _SIM101_POSITION.TXT> blank symbol or exchange",
                              "PUF <ESZ5SIM101_POSITION.TXT> account not identified",
                              "PUF <   X_SIM101_POSITION.TXT> blank symbol or exchange",
                              "PUF <ES X__POSITION.TXT> account not identified",
                              "PUF <ES X_SIM101_POSITION.TXT> Text <LONG;one;1> parse error",
                              "PUF <" + outgoing + "gone_POSITION.TXT> read error"}));
    EXPECT_EQ(PositionOf("ES").count, 0);
}

}  // namespace

}  // namespace ordersrv
