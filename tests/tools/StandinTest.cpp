#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "tools/NtStandin.h"
#include "tools/StandinLines.h"

namespace ordersrv {

namespace {

TEST(StandinLines, PlaceAndCancelAsTheServerWritesThem) {
    StandinInstruction p;
    std::string error;
    ASSERT_TRUE(ParseInstructionLine(
        "PLACE;SIM101;ES 12-05;SELL;3;STOPLIMIT;1234.500000;1234.500000;GTC;;HALVENMAR7;;", p, error))
        << error;
    EXPECT_EQ(p.command, StandinInstruction::Command::Place);
    EXPECT_EQ(p.account, "SIM101");
    EXPECT_EQ(p.instrument, "ES 12-05");
    EXPECT_EQ(p.action, "SELL");
    EXPECT_EQ(p.quantity, 3);
    EXPECT_EQ(p.orderType, "STOPLIMIT");
    EXPECT_DOUBLE_EQ(p.limitPrice, 1234.5);
    EXPECT_EQ(p.timeInForce, "GTC");
    EXPECT_EQ(p.orderId, "HALVENMAR7");
    ASSERT_TRUE(ParseInstructionLine("CANCEL;;;;;;;;;;HALVENMAR7;;", p, error));
    EXPECT_EQ(p.command, StandinInstruction::Command::Cancel);
    EXPECT_EQ(p.orderId, "HALVENMAR7");
}

TEST(StandinLines, MalformedLinesAreRefusedWithTheOrderIdWhenThereIsOne) {
    StandinInstruction p;
    std::string error;
    const std::vector<std::string> bad = {
        "",
        "PLACE;SIM101;ES;BUY;2;LIMIT;1;1;DAY;;HALVENMAR1;",
        "PLACE;SIM101;ES;BUY;2;LIMIT;1;1;DAY;;HALVENMAR1;;;",
        "PLACE;SIM101;ES;HOLD;2;LIMIT;1;1;DAY;;HALVENMAR1;;",
        "PLACE;SIM101;ES;BUY;0;LIMIT;1;1;DAY;;HALVENMAR1;;",
        "PLACE;SIM101;ES;BUY;2;ICEBERG;1;1;DAY;;HALVENMAR1;;",
        "PLACE;SIM101;ES;BUY;2;LIMIT;1,5;1;DAY;;HALVENMAR1;;",
        "PLACE;SIM101;ES;BUY;2;LIMIT;1;1;IOC;;HALVENMAR1;;",
        "PLACE;;ES;BUY;2;LIMIT;1;1;DAY;;HALVENMAR1;;",
        "MODIFY;;;;;;;;;;HALVENMAR1;;",
        "CANCEL;;;;;;;;;;;;",
    };
    for (const std::string& line : bad) {
        EXPECT_FALSE(ParseInstructionLine(line, p, error)) << line;
        EXPECT_FALSE(error.empty());
    }
    ParseInstructionLine("PLACE;SIM101;ES;BUY;0;LIMIT;1;1;DAY;;HALVENMAR1;;", p, error);
    EXPECT_EQ(p.orderId, "HALVENMAR1");
}

TEST(StandinLines, OutgoingFormats) {
    EXPECT_EQ(OrderStateFileText("FILLED", 2, 1234.5), "FILLED;2;1234.5\r\n");
    EXPECT_EQ(OrderStateFileText("WORKING", 0, 0), "WORKING;0;0\r\n");
    EXPECT_EQ(PositionFileText(-3, 99.25), "SHORT;3;99.25\r\n");
    EXPECT_EQ(PositionFileText(0, 99.25), "FLAT;0;0\r\n");
    EXPECT_EQ(PositionFileName("ES 12-05", "GLOBEX", "SIM101"), "ES 12-05 GLOBEX_SIM101_Position.txt");
    EXPECT_TRUE(IsInstructionFileName("oif100.txt"));
    EXPECT_TRUE(IsInstructionFileName("OIF7.TXT"));
    EXPECT_FALSE(IsInstructionFileName("OIF100.TXT.tmp"));
    EXPECT_FALSE(IsInstructionFileName("XOIF1.TXT"));
}

TEST(StandinOptions, ParsesEveryOptionAndRefusesUnknownOnes) {
    StandinOptions o;
    std::string error;
    ASSERT_TRUE(ParseStandinOptions({"--folder", "nt", "--accounts", "sim101, B", "--fill-price",
                                     "12.5", "--fill-delay-ms", "20", "--partial-steps", "3",
                                     "--rest", "ES", "--rest-limits", "--careless", "--run-ms",
                                     "500", "--once", "--log", "x.log", "--stop-file", "stop"},
                                    o, error))
        << error;
    EXPECT_EQ(o.folder, "nt");
    EXPECT_EQ(o.accounts, (std::vector<std::string>{"SIM101", "B"}));
    EXPECT_TRUE(o.hasFillPrice);
    EXPECT_DOUBLE_EQ(o.fillPrice, 12.5);
    EXPECT_EQ(o.fillDelayMs, 20u);
    EXPECT_EQ(o.partialSteps, 3);
    EXPECT_EQ(o.restSymbols, std::vector<std::string>{"ES"});
    EXPECT_TRUE(o.restLimits && o.careless && o.once);
    EXPECT_EQ(o.runMs, 500u);
    const std::vector<std::vector<std::string>> refused = {
        {"--folder"}, {"--folder", "x", "--bogus"}, {"--partial-steps", "0", "--folder", "x"},
        {"--folder", "x", "--run-ms", "soon"}, {}};
    for (const auto& args : refused) {
        StandinOptions fresh;
        EXPECT_FALSE(ParseStandinOptions(args, fresh, error)) << args.size();
    }
}

class Standin : public ::testing::Test {
protected:
    Standin() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::absolute(std::string("standin-scratch-") + info->name()).string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder + "/INCOMING");
        std::filesystem::create_directories(folder + "/OUTGOING");
        options.folder = folder;
        options.accounts = {"SIM101"};
        options.fillPrice = 50;
        options.hasFillPrice = true;
    }
    ~Standin() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Instruct(NinjaTraderStandin& standin, const std::string& name, const std::string& content,
                  uint32_t now = 0) {
        ASSERT_TRUE(plat::WriteWholeFile(folder + "/INCOMING/" + name, content));
        standin.Step(now);
        EXPECT_FALSE(plat::FileExists(folder + "/INCOMING/" + name));
    }

    std::string Outgoing(const std::string& name) {
        std::string content;
        plat::ReadWholeFile(folder + "/OUTGOING/" + name, content);
        return content;
    }

    NinjaTraderStandin Make() {
        return NinjaTraderStandin(options, [this](const std::string& line) { log.push_back(line); });
    }

    std::string folder;
    StandinOptions options;
    std::vector<std::string> log;
};

TEST_F(Standin, FillsInStepsAndKeepsThePosition) {
    options.partialSteps = 2;
    options.fillDelayMs = 10;
    NinjaTraderStandin standin = Make();
    Instruct(standin, "oif100.txt",
             "PLACE;SIM101;ABC;BUY;3;MARKET;0.000000;0.000000;DAY;;HALVENMAR1;;\r\n");
    EXPECT_EQ(Outgoing("HALVENMAR1.txt"), "WORKING;0;0\r\n");
    standin.Step(10);
    EXPECT_EQ(Outgoing("HALVENMAR1.txt"), "PARTFILLED;1;50\r\n");
    EXPECT_EQ(Outgoing("ABC GLOBEX_SIM101_Position.txt"), "LONG;1;50\r\n");
    EXPECT_TRUE(standin.HasPendingFills());
    standin.Step(20);
    EXPECT_EQ(Outgoing("HALVENMAR1.txt"), "FILLED;3;50\r\n");
    EXPECT_EQ(Outgoing("ABC GLOBEX_SIM101_Position.txt"), "LONG;3;50\r\n");
    EXPECT_FALSE(standin.HasPendingFills());
    Instruct(standin, "OIF101.TXT",
             "PLACE;SIM101;ABC;SELL;5;MARKET;0;0;DAY;;HALVENMAR2;;\r\n", 30);
    standin.Step(40);
    standin.Step(50);
    EXPECT_EQ(Outgoing("ABC GLOBEX_SIM101_Position.txt"), "SHORT;2;50\r\n");
    EXPECT_TRUE(log.empty());
}

TEST_F(Standin, RestingOrdersCancelAndOtherAccountsAreRejected) {
    options.restLimits = true;
    options.hasFillPrice = false;
    NinjaTraderStandin standin = Make();
    Instruct(standin, "OIF100.TXT",
             "PLACE;SIM101;ABC;BUY;1;LIMIT;10.5;10.5;DAY;;HALVENMAR1;;\r\n"
             "PLACE;OTHER;ABC;BUY;1;MARKET;0;0;DAY;;HALVENMAR2;;\r\n"
             "PLACE;SIM101;XYZ;BUY;1;MARKET;0;0;DAY;;HALVENMAR3;;\r\n"
             "garbage\r\n"
             "PLACE;SIM101;ABC;BUY;0;MARKET;0;0;DAY;;HALVENMAR4;;\r\n");
    standin.Step(1000);
    EXPECT_EQ(Outgoing("HALVENMAR1.txt"), "WORKING;0;0\r\n");
    EXPECT_EQ(Outgoing("HALVENMAR2.txt"), "REJECTED;0;0\r\n");
    EXPECT_EQ(Outgoing("HALVENMAR3.txt"), "FILLED;1;100\r\n");  // the fixed price
    EXPECT_EQ(Outgoing("HALVENMAR4.txt"), "REJECTED;0;0\r\n");
    EXPECT_EQ(log.size(), 3u);  // the other account and the two malformed lines
    Instruct(standin, "OIF101.TXT", "CANCEL;;;;;;;;;;HALVENMAR1;;\r\nCANCEL;;;;;;;;;;HALVENMAR9;;\r\n");
    EXPECT_EQ(Outgoing("HALVENMAR1.txt"), "CANCELLED;0;0\r\n");
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(Standin, CarriesOutFilesInTheOrderOfTheirNumbers) {
    options.restLimits = true;
    NinjaTraderStandin standin = Make();
    plat::WriteWholeFile(folder + "/INCOMING/OIF99.TXT",
                         "PLACE;SIM101;ABC;BUY;1;LIMIT;1;1;DAY;;HALVENMAR1;;\r\n");
    plat::WriteWholeFile(folder + "/INCOMING/OIF100.TXT", "CANCEL;;;;;;;;;;HALVENMAR1;;\r\n");
    standin.Step(0);
    EXPECT_EQ(Outgoing("HALVENMAR1.txt"), "CANCELLED;0;0\r\n");
    EXPECT_TRUE(log.empty());
}

}  // namespace

}  // namespace ordersrv
