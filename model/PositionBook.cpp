#include "model/PositionBook.h"

#include "model/AsciiText.h"

namespace ordersrv {

namespace {

std::string SymbolKey(const std::string& symbol) { return UpperCaseAscii(TrimBlanks(symbol)); }

std::string ExchangeKey(const std::string& exchange) {
    return exchange.empty() ? "_NOEXCHANGE_" : UpperCaseAscii(exchange);
}

std::string CurrencyKey(const std::string& currency) {
    return currency.empty() ? "_NOCURRENCY_" : UpperCaseAscii(currency);
}

std::string ExpiryKey(const std::string& expiry) { return UpperCaseAscii(TrimBlanks(expiry)); }

}  // namespace

// An entry stands for every wanted expiry that begins with its key (letter case aside), so
// an entry without expiry matches them all.
bool PositionBook::MatchesExpiry(const IndexEntry& entry, const std::string& wantedExpiry) {
    const std::string& key = entry.expiryKey;
    if (wantedExpiry.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (UpperAscii(wantedExpiry[i]) != key[i]) return false;
    return true;
}

void PositionBook::Add(std::unique_ptr<Position> record) {
    if (!record) return;
    const int32_t position = Count();
    const Position& r = *record;
    records_.push_back(std::move(record));

    const std::string symbolKey = SymbolKey(r.symbol);
    if (symbolKey.empty()) return;  // listed, but never found
    EntryList& entries = index_[symbolKey][ExchangeKey(r.symExch)][CurrencyKey(r.currency)];
    for (const IndexEntry& entry : entries)
        if (MatchesExpiry(entry, r.symExp) && entry.symType == r.symType) return;
    entries.push_back(IndexEntry{ExpiryKey(r.symExp), r.symType, position});
}

Position* PositionBook::ItemAt(int32_t position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return records_[static_cast<size_t>(position)].get();
}

Position* PositionBook::Find(const std::string& symbol, const std::string& expiry,
                             const std::string& exchange, const std::string& currency,
                             int32_t /*symType*/) const {
    const std::string symbolKey = SymbolKey(symbol);
    if (symbolKey.empty()) return nullptr;
    const auto exchanges = index_.find(symbolKey);
    if (exchanges == index_.end()) return nullptr;
    const auto currencies = exchanges->second.find(ExchangeKey(exchange));
    if (currencies == exchanges->second.end()) return nullptr;
    const auto entries = currencies->second.find(CurrencyKey(currency));
    if (entries == currencies->second.end()) return nullptr;
    for (const IndexEntry& entry : entries->second)
        if (MatchesExpiry(entry, expiry)) return records_[static_cast<size_t>(entry.position)].get();
    return nullptr;
}

bool PositionBook::Report(const std::string& symbol, int32_t size, double cost, double now) {
    Position* position = FindSymbol(symbol);
    if (!position) {
        auto created = std::make_unique<Position>();
        created->symbol = symbol;
        position = created.get();
        Add(std::move(created));
    }
    const bool changed =
        !position->hasPosition || position->posSize != size || position->posCost != cost;
    position->hasPosition = true;
    position->posSize = size;
    position->posCost = cost;
    position->updateTime = now;
    return changed;
}

}  // namespace ordersrv
