#include "engine/JournalRecord.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <array>
#include <string_view>
#include <utility>
#include <system_error>

#include "platform/DateTime.h"

namespace ordersrv {

namespace {

constexpr int64_t kMsPerDay = 86400000;

const char* KindName(JournalRecord::Kind kind) {
    switch (kind) {
    case JournalRecord::Kind::Start: return "start";
    case JournalRecord::Kind::Accepted: return "accepted";
    case JournalRecord::Kind::Sent: return "sent";
    case JournalRecord::Kind::Published: return "published";
    case JournalRecord::Kind::State: return "state";
    case JournalRecord::Kind::Rejected: return "rejected";
    }
    return "";
}

bool KindFromName(std::string_view name, JournalRecord::Kind& kind) {
    for (const auto k : {JournalRecord::Kind::Start, JournalRecord::Kind::Accepted,
                         JournalRecord::Kind::Sent, JournalRecord::Kind::Published,
                         JournalRecord::Kind::State, JournalRecord::Kind::Rejected})
        if (name == KindName(k)) {
            kind = k;
            return true;
        }
    return false;
}

// Control characters (a tab would split the field, a line end the record) and "%" itself are
// written as "%" and two hex digits; everything else as it is, so paths and symbols read plainly.
void AppendEscaped(std::string& out, const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const char c : value) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127 || c == '%')
            out += std::string("%") + kHex[code >> 4] + kHex[code & 15];
        else
            out += c;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string& value) {
    value.clear();
    if (text.find('%') == std::string_view::npos) {
        value.assign(text.data(), text.size());
        return true;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            value += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        value += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// The shortest text that reads back as the same double, "." whatever the locale.
std::string NumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <class Integer>
bool ReadInteger(std::string_view text, Integer& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ReadNumber(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, std::chars_format::general);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

class LineWriter {
public:
    LineWriter(double time, JournalRecord::Kind kind) {
        text_ = JournalTimeText(time);
        text_ += '\t';
        text_ += KindName(kind);
    }
    LineWriter& Field(const char* key, const std::string& value) {
        text_ += '\t';
        text_ += key;
        text_ += '=';
        AppendEscaped(text_, value);
        return *this;
    }
    template <class Integer>
    LineWriter& Whole(const char* key, Integer value) { return Field(key, std::to_string(value)); }
    LineWriter& Number(const char* key, double value) { return Field(key, NumberText(value)); }
    std::string Text() { return text_ + "\r\n"; }

private:
    std::string text_;
};

// The key=value fields of a line after its time and event.
class LineFields {
public:
    // Keeps views into `line`, which must outlive the fields.
    bool Read(std::string_view text, size_t from) {
        while (from < text.size()) {
            if (text[from] != '\t' || count_ == kMaxFields) return false;
            const size_t start = from + 1;
            const size_t end = std::min(text.find('\t', start), text.size());
            const size_t equals = text.find('=', start);
            if (equals == std::string_view::npos || equals >= end || equals == start) return false;
            fields_[count_++] = {text.substr(start, equals - start),
                                 text.substr(equals + 1, end - equals - 1)};
            from = end;
        }
        return true;
    }
    bool Text(std::string_view key, std::string& value) const {
        const std::string_view* raw = Find(key);
        return raw && Unescape(*raw, value);
    }
    template <class Integer>
    bool Whole(std::string_view key, Integer& value) const {
        const std::string_view* raw = Find(key);
        return raw && ReadInteger(*raw, value);
    }
    bool Number(std::string_view key, double& value) const {
        const std::string_view* raw = Find(key);
        return raw && ReadNumber(*raw, value);
    }

private:
    static constexpr size_t kMaxFields = 24;  // a line has fourteen at most
    struct Field {
        std::string_view key, value;
    };
    const std::string_view* Find(std::string_view key) const {
        for (size_t i = 0; i < count_; ++i)
            if (fields_[i].key == key) return &fields_[i].value;
        return nullptr;
    }
    std::array<Field, kMaxFields> fields_;
    size_t count_ = 0;
};

}  // namespace

std::string JournalTimeText(double dateTime) {
    const int64_t totalMs = std::llround(dateTime * static_cast<double>(kMsPerDay));
    int64_t days = totalMs / kMsPerDay, ms = totalMs % kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --days;
    }
    const plat::DateTimeParts date = plat::DecodeDateTime(static_cast<double>(days));
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", date.year,
                  date.month, date.day, static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return buffer;
}

bool ParseJournalTime(std::string_view text, double& dateTime) {
    // Exactly "yyyy-mm-dd hh:nn:ss.zzz": 23 characters, digits where digits belong.
    static const char kForm[] = "dddd-dd-dd dd:dd:dd.ddd";
    if (text.size() != sizeof kForm - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return false;
    }
    const auto number = [&](size_t at, size_t length) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    plat::DateTimeParts parts;
    parts.year = number(0, 4);
    parts.month = number(5, 2);
    parts.day = number(8, 2);
    parts.hour = number(11, 2);
    parts.minute = number(14, 2);
    parts.second = number(17, 2);
    if (parts.month < 1 || parts.month > 12 || parts.day < 1 || parts.day > 31 || parts.hour > 23 ||
        parts.minute > 59 || parts.second > 59)
        return false;
    dateTime = plat::EncodeDateTime(parts) + number(20, 3) / static_cast<double>(kMsPerDay);
    return true;
}

std::string FormatJournalRecord(const JournalRecord& r) {
    LineWriter line(r.time, r.kind);
    switch (r.kind) {
    case JournalRecord::Kind::Start:
        line.Whole("run", r.run);
        break;
    case JournalRecord::Kind::Accepted: {
        const Order& o = r.order;
        line.Whole("seq", r.seq).Whole("run", r.run).Whole("ref", o.orderRefId);
        line.Field("account", r.account).Field("symbol", o.symbol).Field("expiry", o.symExp);
        line.Whole("symtype", o.symType).Field("exchange", o.symExch);
        line.Whole("action", o.orderType).Whole("timeframe", o.orderTimeFrame);
        line.Whole("kind", o.orderModifier).Whole("size", o.orderSize).Number("price", o.orderPrice);
        break;
    }
    case JournalRecord::Kind::Sent:
        line.Whole("seq", r.seq).Whole("ref", r.order.orderRefId).Field("file", r.file);
        line.Field("staged", r.staged).Whole("filetime", r.fileTime).Field("line", r.line);
        break;
    case JournalRecord::Kind::Published:
        line.Field("staged", r.staged).Field("file", r.file);
        break;
    case JournalRecord::Kind::State:
        line.Whole("seq", r.seq).Whole("ref", r.order.orderRefId).Whole("status", r.status);
        line.Whole("filled", r.filled).Number("price", r.price);
        break;
    case JournalRecord::Kind::Rejected:
        line.Whole("seq", r.seq).Whole("ref", r.order.orderRefId).Field("reason", r.reason);
        break;
    }
    return line.Text();
}

bool ParseJournalRecord(std::string_view line, JournalRecord& r) {
    const size_t timeEnd = line.find('\t');
    if (timeEnd == std::string_view::npos || !ParseJournalTime(line.substr(0, timeEnd), r.time))
        return false;
    const size_t kindEnd = std::min(line.find('\t', timeEnd + 1), line.size());
    if (!KindFromName(line.substr(timeEnd + 1, kindEnd - timeEnd - 1), r.kind)) return false;
    LineFields f;
    if (!f.Read(line, kindEnd)) return false;
    Order& o = r.order;
    switch (r.kind) {
    case JournalRecord::Kind::Start:
        return f.Whole("run", r.run);
    case JournalRecord::Kind::Accepted:
        return f.Whole("seq", r.seq) && f.Whole("run", r.run) && f.Whole("ref", o.orderRefId) &&
               f.Text("account", r.account) && f.Text("symbol", o.symbol) &&
               f.Text("expiry", o.symExp) && f.Whole("symtype", o.symType) &&
               f.Text("exchange", o.symExch) && f.Whole("action", o.orderType) &&
               f.Whole("timeframe", o.orderTimeFrame) && f.Whole("kind", o.orderModifier) &&
               f.Whole("size", o.orderSize) && f.Number("price", o.orderPrice);
    case JournalRecord::Kind::Sent:
        return f.Whole("seq", r.seq) && f.Whole("ref", o.orderRefId) && f.Text("file", r.file) &&
               f.Text("staged", r.staged) && f.Whole("filetime", r.fileTime) &&
               f.Text("line", r.line);
    case JournalRecord::Kind::Published:
        return f.Text("staged", r.staged) && f.Text("file", r.file);
    case JournalRecord::Kind::State:
        return f.Whole("seq", r.seq) && f.Whole("ref", o.orderRefId) &&
               f.Whole("status", r.status) && f.Whole("filled", r.filled) &&
               f.Number("price", r.price);
    case JournalRecord::Kind::Rejected:
        return f.Whole("seq", r.seq) && f.Whole("ref", o.orderRefId) && f.Text("reason", r.reason);
    }
    return false;
}

}  // namespace ordersrv
