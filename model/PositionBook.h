#pragma once
// Positions in the order first seen, found by symbol / exchange / currency / expiry.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/Position.h"
#include "platform/ReentrantLock.h"

struct PositionIndexEntry {
    std::string ExpiryKey;  // SymExp trimmed and upper-cased; matches a wanted expiry by prefix
    int32_t SymType;
    int32_t Index;
};

class InstrumentBook {
public:
    InstrumentBook() = default;
    virtual ~InstrumentBook() = default;
    InstrumentBook(const InstrumentBook&) = delete;
    InstrumentBook& operator=(const InstrumentBook&) = delete;

    // Appends and indexes the record. A blank symbol is listed but never found; a key already
    // indexed keeps its first record.
    void Add(std::unique_ptr<Instrument> record);
    int32_t Count() const;
    Instrument* ItemAt(int32_t position) const;
    Instrument* Find(const std::string& Symbol, const std::string& SymExp,
                               const std::string& SymExch, const std::string& Currency,
                               int32_t SymType) const;

private:
    using EntryList = std::vector<PositionIndexEntry>;
    using CurrencyLevel = std::map<std::string, EntryList>;
    using ExchangeLevel = std::map<std::string, CurrencyLevel>;

    // Re-entrant, like the engine's critical sections around it.
    mutable std::recursive_mutex lock_;
    std::vector<std::unique_ptr<Instrument>> records_;
    std::map<std::string, ExchangeLevel> index_;  // symbol -> exchange -> currency -> entries
};

// The engine's position book: holds Position records.
class PositionBook : public InstrumentBook {
public:
    void Add(std::unique_ptr<Position> record) {
        InstrumentBook::Add(std::move(record));
    }
    Position* ItemAt(int32_t position) const {
        return static_cast<Position*>(InstrumentBook::ItemAt(position));
    }
    Position* Find(const std::string& Symbol, const std::string& SymExp,
                                 const std::string& SymExch, const std::string& Currency,
                                 int32_t SymType) const {
        return static_cast<Position*>(
            InstrumentBook::Find(Symbol, SymExp, SymExch, Currency, SymType));
    }
    // Finds the position stored for a symbol alone (no expiry, exchange or currency).
    Position* FindSymbol(const std::string& Symbol) const {
        return Find(Symbol, "", "", "", 0);
    }
};
