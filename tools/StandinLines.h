#pragma once
// NinjaTrader's side of the file interface, as the stand-in plays it: instruction lines read
// from INCOMING, order-state and position files written into OUTGOING.
#include <cstdint>
#include <string>

namespace ordersrv {

struct StandinInstruction {
    enum class Command { Place, Cancel };
    Command command = Command::Place;
    std::string account;
    std::string instrument;
    std::string action;      // BUY or SELL
    int32_t quantity = 0;
    std::string orderType;   // MARKET, LIMIT, STOP, STOPLIMIT
    double limitPrice = 0.0;
    double stopPrice = 0.0;
    std::string timeInForce; // DAY or GTC
    std::string ocoId;
    std::string orderId;
    std::string strategy;
    std::string strategyId;
};

// One instruction line (thirteen ";"-separated fields, no line end). False with a short reason
// for a line NinjaTrader would not carry out; `parsed.orderId` is set whenever the line has one,
// so a refused PLACE can still be reported as rejected under its id.
bool ParseInstructionLine(const std::string& line, StandinInstruction& parsed,
                          std::string& error);

// A number as short as it reads back exactly, "." as decimal point: 1234.5 -> "1234.5".
std::string StandinNumberText(double value);

// "STATE;FILLED;AVGPRICE" and a CR LF.
std::string OrderStateFileText(const std::string& state, int32_t filled, double averagePrice);

// "LONG|SHORT|FLAT;QTY;AVGPRICE" and a CR LF, from the signed position size.
std::string PositionFileText(int32_t signedSize, double averagePrice);

// "<INSTRUMENT> <EXCHANGE>_<ACCOUNT>_Position.txt"
std::string PositionFileName(const std::string& instrument, const std::string& exchange,
                             const std::string& account);

// True for a name of the form oif*.txt, without regard to case.
bool IsInstructionFileName(const std::string& name);

}  // namespace ordersrv
