#include "tools/StandinLines.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "bridge/StateLine.h"
#include "model/AsciiText.h"

namespace ordersrv {

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(';', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

bool OneOf(const std::string& text, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (text == word) return true;
    return false;
}

bool ParsePrice(const std::string& text, double& value, std::string& error, const char* what) {
    if (text.empty()) {
        value = 0.0;
        return true;
    }
    if (!ParseDecimalNumber(text, value)) {
        error = std::string("bad ") + what + " \"" + text + "\"";
        return false;
    }
    return true;
}

bool ParsePlaceFields(const std::vector<std::string>& f, StandinInstruction& p,
                      std::string& error) {
    p.account = f[1];
    p.instrument = f[2];
    p.action = UpperCaseAscii(f[3]);
    p.orderType = UpperCaseAscii(f[5]);
    p.timeInForce = UpperCaseAscii(f[8]);
    p.ocoId = f[9];
    p.strategy = f[11];
    p.strategyId = f[12];
    if (p.account.empty()) return error = "no account", false;
    if (p.instrument.empty()) return error = "no instrument", false;
    if (!OneOf(p.action, {"BUY", "SELL"})) return error = "bad action \"" + f[3] + "\"", false;
    p.quantity = WholeNumberOr(f[4], -1);
    if (p.quantity <= 0) return error = "bad quantity \"" + f[4] + "\"", false;
    if (!OneOf(p.orderType, {"MARKET", "LIMIT", "STOP", "STOPLIMIT"}))
        return error = "bad order type \"" + f[5] + "\"", false;
    if (!ParsePrice(f[6], p.limitPrice, error, "limit price")) return false;
    if (!ParsePrice(f[7], p.stopPrice, error, "stop price")) return false;
    if (!OneOf(p.timeInForce, {"DAY", "GTC"}))
        return error = "bad time in force \"" + f[8] + "\"", false;
    return true;
}

}  // namespace

bool ParseInstructionLine(const std::string& line, StandinInstruction& parsed,
                          std::string& error) {
    parsed = StandinInstruction();
    const std::vector<std::string> f = SplitFields(line);
    if (f.size() >= 11) parsed.orderId = f[10];
    if (f.size() != 13) {
        error = "expected 13 fields, found " + std::to_string(f.size());
        return false;
    }
    const std::string command = UpperCaseAscii(f[0]);
    if (parsed.orderId.empty()) return error = "no order id", false;
    if (command == "CANCEL") {
        parsed.command = StandinInstruction::Command::Cancel;
        return true;
    }
    if (command != "PLACE") return error = "unknown command \"" + f[0] + "\"", false;
    parsed.command = StandinInstruction::Command::Place;
    return ParsePlaceFields(f, parsed, error);
}

std::string StandinNumberText(double value) {
    if (value == 0.0) return "0";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string OrderStateFileText(const std::string& state, int32_t filled, double averagePrice) {
    return state + ';' + std::to_string(filled) + ';' + StandinNumberText(averagePrice) + "\r\n";
}

std::string PositionFileText(int32_t signedSize, double averagePrice) {
    const char* word = signedSize > 0 ? "LONG" : signedSize < 0 ? "SHORT" : "FLAT";
    const int32_t size = signedSize < 0 ? -signedSize : signedSize;
    return std::string(word) + ';' + std::to_string(size) + ';' +
           StandinNumberText(signedSize == 0 ? 0.0 : averagePrice) + "\r\n";
}

std::string PositionFileName(const std::string& instrument, const std::string& exchange,
                             const std::string& account) {
    return instrument + ' ' + exchange + '_' + account + "_Position.txt";
}

bool IsInstructionFileName(const std::string& name) {
    const std::string upper = UpperCaseAscii(name);
    return upper.size() >= 7 && upper.compare(0, 3, "OIF") == 0 &&
           upper.compare(upper.size() - 4, 4, ".TXT") == 0;
}

}  // namespace ordersrv
