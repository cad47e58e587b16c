#include "model/PositionBook.h"

#include "model/AsciiText.h"

namespace {

std::string SymbolKey(const std::string& symbol) { return UpperCaseAscii(TrimBlanks(symbol)); }

std::string ExchangeKey(const std::string& exchange) {
    return exchange.empty() ? "_NOEXCHANGE_" : UpperCaseAscii(exchange);
}

std::string CurrencyKey(const std::string& currency) {
    return currency.empty() ? "_NOCURRENCY_" : UpperCaseAscii(currency);
}

std::string ExpiryKey(const std::string& expiry) { return UpperCaseAscii(TrimBlanks(expiry)); }

// An entry stands for every wanted expiry that begins with its key (letter case aside), so
// an entry without expiry matches them all.
bool MatchesExpiry(const PositionIndexEntry& entry, const std::string& wantedExpiry) {
    const std::string& key = entry.ExpiryKey;
    if (wantedExpiry.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (UpperAscii(wantedExpiry[i]) != key[i]) return false;
    return true;
}

}  // namespace

void InstrumentBook::Add(std::unique_ptr<Instrument> record) {
    if (!record) return;
    const std::lock_guard<std::recursive_mutex> guard(lock_);
    const int32_t position = static_cast<int32_t>(records_.size());
    const Instrument& r = *record;
    records_.push_back(std::move(record));

    const std::string symbolKey = SymbolKey(r.Symbol);
    if (symbolKey.empty()) return;  // listed, but never found
    EntryList& entries =
        index_[symbolKey][ExchangeKey(r.SymExch)][CurrencyKey(r.Currency)];
    for (const PositionIndexEntry& entry : entries)
        if (MatchesExpiry(entry, r.SymExp) && entry.SymType == r.SymType) return;
    entries.push_back(PositionIndexEntry{ExpiryKey(r.SymExp), r.SymType, position});
}

int32_t InstrumentBook::Count() const {
    const std::lock_guard<std::recursive_mutex> guard(lock_);
    return static_cast<int32_t>(records_.size());
}

Instrument* InstrumentBook::ItemAt(int32_t position) const {
    const std::lock_guard<std::recursive_mutex> guard(lock_);
    if (position < 0 || static_cast<size_t>(position) >= records_.size()) return nullptr;
    return records_[static_cast<size_t>(position)].get();
}

// Matches on the expiry alone, so a position is found whatever instrument type it was stored
// with; the first matching entry wins.
Instrument* InstrumentBook::Find(const std::string& Symbol,
                                                   const std::string& SymExp,
                                                   const std::string& SymExch,
                                                   const std::string& Currency,
                                                   int32_t /*SymType*/) const {
    const std::string symbolKey = SymbolKey(Symbol);
    if (symbolKey.empty()) return nullptr;
    const std::lock_guard<std::recursive_mutex> guard(lock_);
    const auto exchanges = index_.find(symbolKey);
    if (exchanges == index_.end()) return nullptr;
    const auto currencies = exchanges->second.find(ExchangeKey(SymExch));
    if (currencies == exchanges->second.end()) return nullptr;
    const auto entries = currencies->second.find(CurrencyKey(Currency));
    if (entries == currencies->second.end()) return nullptr;
    for (const PositionIndexEntry& entry : entries->second)
        if (MatchesExpiry(entry, SymExp))
            return records_[static_cast<size_t>(entry.Index)].get();
    return nullptr;
}
