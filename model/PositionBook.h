#pragma once
// Positions in the order first seen, found by symbol / exchange / currency / expiry.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/PositionRecord.h"
#include "platform/ReentrantLock.h"

struct TPositionLookupEntry {
    std::string ExpiryKey;  // SymExp trimmed and upper-cased; matches a wanted expiry by prefix
    int32_t SymType;
    int32_t Index;
};

class TNTOrderServerSymbolDB {
public:
    TNTOrderServerSymbolDB() = default;
    virtual ~TNTOrderServerSymbolDB() = default;
    TNTOrderServerSymbolDB(const TNTOrderServerSymbolDB&) = delete;
    TNTOrderServerSymbolDB& operator=(const TNTOrderServerSymbolDB&) = delete;

    // Appends and indexes the record. A blank symbol is listed but never found; a key already
    // indexed keeps its first record.
    void Add(std::unique_ptr<TNTOrderServerSymbol> record);
    int32_t Count() const;
    TNTOrderServerSymbol* ItemAt(int32_t position) const;
    TNTOrderServerSymbol* Find(const std::string& Symbol, const std::string& SymExp,
                               const std::string& SymExch, const std::string& Currency,
                               int32_t SymType) const;

private:
    using EntryList = std::vector<TPositionLookupEntry>;
    using CurrencyLevel = std::map<std::string, EntryList>;
    using ExchangeLevel = std::map<std::string, CurrencyLevel>;

    // Re-entrant, like the engine's critical sections around it.
    mutable std::recursive_mutex lock_;
    std::vector<std::unique_ptr<TNTOrderServerSymbol>> records_;
    std::map<std::string, ExchangeLevel> index_;  // symbol -> exchange -> currency -> entries
};

// The engine's position book: holds TNTOrderServerPosition records.
class TNTOrderServerPositionDB : public TNTOrderServerSymbolDB {
public:
    void Add(std::unique_ptr<TNTOrderServerPosition> record) {
        TNTOrderServerSymbolDB::Add(std::move(record));
    }
    TNTOrderServerPosition* ItemAt(int32_t position) const {
        return static_cast<TNTOrderServerPosition*>(TNTOrderServerSymbolDB::ItemAt(position));
    }
    TNTOrderServerPosition* Find(const std::string& Symbol, const std::string& SymExp,
                                 const std::string& SymExch, const std::string& Currency,
                                 int32_t SymType) const {
        return static_cast<TNTOrderServerPosition*>(
            TNTOrderServerSymbolDB::Find(Symbol, SymExp, SymExch, Currency, SymType));
    }
    // Finds the position stored for a symbol alone (no expiry, exchange or currency).
    TNTOrderServerPosition* FindSymbol(const std::string& Symbol) const {
        return Find(Symbol, "", "", "", 0);
    }
};
