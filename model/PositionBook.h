#pragma once
// Positions in the order first seen, found by symbol / exchange / currency / expiry. Not
// locked: its owner guards it (one lock per book).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/Position.h"

namespace ordersrv {

class PositionBook {
public:
    PositionBook() = default;
    PositionBook(const PositionBook&) = delete;
    PositionBook& operator=(const PositionBook&) = delete;

    // Appends and indexes the record. A blank symbol is listed but never found; a key already
    // indexed keeps its first record.
    void Add(std::unique_ptr<Position> record);
    int32_t Count() const { return static_cast<int32_t>(records_.size()); }
    Position* ItemAt(int32_t position) const;  // nullptr outside 0..Count()-1
    // Matched on the expiry alone, first matching entry; the type takes no part.
    Position* Find(const std::string& symbol, const std::string& expiry,
                   const std::string& exchange, const std::string& currency,
                   int32_t symType) const;
    // The position stored for a symbol alone (no expiry, exchange or currency), as every
    // position NinjaTrader reports is.
    Position* FindSymbol(const std::string& symbol) const { return Find(symbol, "", "", "", 0); }

    // NinjaTrader reported a position of `size` at `cost` for the symbol: the symbol's position
    // takes it, created on first report. True when the position was created or its size or
    // cost changed.
    bool Report(const std::string& symbol, int32_t size, double cost, double now);

private:
    struct IndexEntry {
        std::string expiryKey;  // SymExp trimmed and upper-cased; matches a wanted expiry by prefix
        int32_t symType;
        int32_t position;
    };
    using EntryList = std::vector<IndexEntry>;
    using CurrencyLevel = std::map<std::string, EntryList>;
    using ExchangeLevel = std::map<std::string, CurrencyLevel>;

    static bool MatchesExpiry(const IndexEntry& entry, const std::string& wantedExpiry);

    std::vector<std::unique_ptr<Position>> records_;
    std::map<std::string, ExchangeLevel> index_;  // symbol -> exchange -> currency -> entries
};

}  // namespace ordersrv
