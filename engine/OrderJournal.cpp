#include "engine/OrderJournal.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "engine/JournalRecord.h"
#include "model/OrderCodes.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Tick.h"

namespace ordersrv {

namespace {

// One order of an earlier run as the journal tells it.
// A line of the journal as it was read: where it lies in the text (without its line end).
struct LineSpan {
    size_t at = 0, length = 0;
};

struct Recovered {
    JournalRecord accepted;
    LineSpan acceptedLine;
    std::vector<LineSpan> later;     // its sent, published, state and rejected lines
    std::vector<JournalRecord> decided;  // what this start decided about it, to be journaled
    std::string staging;               // where its PLACE line was staged; empty: never
    bool published = false;
    int64_t stagedFileTime = 0;
    double lastEvent = 0.0;
    bool winner = false;      // the reference is indexed under this order
    bool superseded = false;  // a later run's order took its reference over
    bool tookOver = false;
    bool keep = false;
};

bool IsPlaceLine(const std::string& line) { return line.compare(0, 6, "PLACE;") == 0; }

// What reading the journal found.
struct Reading {
    std::vector<Recovered> orders;
    int32_t lastRun = 0;
    bool tornLastLine = false;
    std::string corruption;  // the first line that cannot be read, when one cannot
};

Reading ReadJournal(const std::string& content) {
    Reading reading;
    std::unordered_map<int64_t, size_t> bySeq;
    std::unordered_map<std::string, std::vector<size_t>> byStaging;
    size_t start = 0;
    size_t lineNumber = 0;
    while (start < content.size()) {
        const size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            // A kill in the middle of a write leaves the last line without its end: what is
            // there may read as something it never said, so it is left out.
            reading.tornLastLine = true;
            break;
        }
        ++lineNumber;
        const LineSpan span{start, end - start - (end > start && content[end - 1] == '\r' ? 1 : 0)};
        const std::string_view line(content.data() + span.at, span.length);
        start = end + 1;
        JournalRecord record;
        if (!ParseJournalRecord(line, record)) {
            reading.corruption = "line " + std::to_string(lineNumber) + " cannot be read";
            return reading;
        }
        if (record.kind == JournalRecord::Kind::Start) {
            // Staging names come round again in every run: a file the last run staged and never
            // published is not the one this run publishes under the same name.
            byStaging.clear();
            reading.lastRun = std::max(reading.lastRun, record.run);
            continue;
        }
        if (record.kind == JournalRecord::Kind::Accepted) {
            if (!bySeq.emplace(record.seq, reading.orders.size()).second) {
                reading.corruption = "line " + std::to_string(lineNumber) + " repeats an order";
                return reading;
            }
            reading.lastRun = std::max(reading.lastRun, record.run);
            Recovered order;
            order.lastEvent = record.time;
            order.accepted = std::move(record);
            order.acceptedLine = span;
            reading.orders.push_back(std::move(order));
            continue;
        }
        if (record.kind == JournalRecord::Kind::Published) {
            for (const size_t i : byStaging[record.staged]) {
                reading.orders[i].published = true;
                reading.orders[i].later.push_back(span);
            }
            byStaging.erase(record.staged);
            continue;
        }
        // Sent, State, Rejected: about one order. One the journal no longer holds (its lines
        // went at an earlier compaction) tells recovery nothing.
        const auto found = bySeq.find(record.seq);
        if (found == bySeq.end()) continue;
        Recovered& order = reading.orders[found->second];
        order.lastEvent = std::max(order.lastEvent, record.time);
        Order& o = order.accepted.order;
        switch (record.kind) {
        case JournalRecord::Kind::Sent:
            if (IsPlaceLine(record.line)) {
                order.staging = record.staged;
                order.stagedFileTime = record.fileTime;
                byStaging[record.staged].push_back(found->second);
            }
            break;
        case JournalRecord::Kind::State:
            o.status = record.status;
            o.fillSize = record.filled;
            o.fillPrice = record.price;
            o.updateTime = record.time;
            break;
        case JournalRecord::Kind::Rejected:
            o.status = StatusCode::Rejected;
            o.updateTime = record.time;
            break;
        default:
            break;
        }
        order.later.push_back(span);
    }
    return reading;
}

// The reference goes to the latest run's order; within one run to the first, as it always has.
void ResolveReferences(std::vector<Recovered>& orders) {
    std::unordered_map<int32_t, size_t> winners;
    for (size_t i = 0; i < orders.size(); ++i) {
        const int32_t ref = orders[i].accepted.order.orderRefId;
        if (ref < 0) continue;
        const auto [at, first] = winners.emplace(ref, i);
        if (first) continue;
        Recovered& holder = orders[at->second];
        if (holder.accepted.run >= orders[i].accepted.run) continue;
        holder.superseded = true;
        orders[i].tookOver = true;
        at->second = i;
    }
    for (const auto& [ref, i] : winners) orders[i].winner = true;
}

// Appends the line with its journal number made `seq`; a line without one as it stands.
void AppendRenumbered(std::string& out, const std::string& content, const LineSpan& line,
                      int32_t seq) {
    static const char kKey[] = "\tseq=";
    const char* text = content.data() + line.at;
    const std::string_view view(text, line.length);
    const size_t key = view.find(kKey);
    if (key == std::string_view::npos) {
        out.append(text, line.length);
    } else {
        const size_t value = key + sizeof kKey - 1;
        const size_t end = std::min(view.find('\t', value), view.size());
        out.append(text, value);
        out += std::to_string(seq);
        out.append(text + end, line.length - end);
    }
    out += "\r\n";
}

std::string MovedAsideName(const std::string& path, double now) {
    std::string stamp = JournalTimeText(now);  // "yyyy-mm-dd hh:nn:ss.zzz"
    stamp.erase(std::remove_if(stamp.begin(), stamp.end(),
                               [](char c) { return c == '-' || c == ':' || c == '.'; }),
                stamp.end());
    std::replace(stamp.begin(), stamp.end(), ' ', '-');
    return path + "." + stamp + ".unreadable";
}

}  // namespace

std::string OrderJournal::PathBeside(const std::string& settingsPath) {
    const std::string name = plat::FileNamePart(settingsPath);
    const size_t dot = name.rfind('.');
    return plat::FolderPart(settingsPath) + name.substr(0, dot) + kFileSuffix;
}

void OrderJournal::TurnOff(const std::string& why) {
    file_.Close();
    if (off_) return;
    off_ = true;
    if (log_)
        log_("Journal <" + path_ + "> off: " + why +
             ". Orders still go to NinjaTrader, but after a restart they will not be known");
}

bool OrderJournal::OpenForRun(const std::string& path, const std::string& content) {
    if (!plat::ReplaceWholeFile(path, content)) return false;
    return file_.Open(path);
}

void OrderJournal::Start(const std::string& settingsPath, OrderBook& book, double now,
                         const Log& log) {
    log_ = log;
    // Beside the settings file when that folder takes it; otherwise where the user may always
    // write, so that a server installed for all users still keeps its orders.
    path_ = PathBeside(settingsPath);
    // A journal that is there is this server's, whatever holds it a moment (a process that has
    // just ended, a virus scanner): it is waited for, never swapped for another one, which the
    // next start would not read.
    const bool there = plat::FileExists(path_);
    for (int attempt = 0; !file_.Open(path_) && there && attempt < kOpenAttempts; ++attempt)
        plat::SleepMs(kOpenRetryMs);
    if (!file_.IsOpen() && there) {
        TurnOff("it is there but cannot be opened (another program holds it)");
        return;
    }
    if (!file_.IsOpen()) {
        const std::string folder = plat::LocalDataFolder();
        const std::string local =
            folder.empty() ? std::string()
                           : plat::WithTrailingDelimiter(folder) + kLocalFolderName;
        if (!local.empty() && plat::MakeFolderTree(local)) {
            path_ = plat::WithTrailingDelimiter(local) + plat::FileNamePart(path_);
            file_.Open(path_);
        }
    }
    if (!file_.IsOpen()) {
        TurnOff("it cannot be written here, nor in the user's local data folder");
        return;
    }
    file_.Close();

    std::string content;
    if (!plat::ReadWholeFile(path_, content)) {
        const std::string aside = MovedAsideName(path_, now);
        const bool moved = plat::MoveNoReplace(path_, aside);
        if (!moved) {
            TurnOff("it cannot be read, nor moved aside");
            return;
        }
        if (log_) log_("Journal <" + path_ + "> could not be read: moved aside as <" + aside +
                       ">; this run starts with an empty order book");
        content.clear();
    }
    Reading reading = ReadJournal(content);
    if (!reading.corruption.empty()) {
        const std::string aside = MovedAsideName(path_, now);
        if (!plat::MoveNoReplace(path_, aside)) {
            TurnOff("it is damaged (" + reading.corruption + ") and cannot be moved aside");
            return;
        }
        if (log_) log_("Journal <" + path_ + "> is damaged (" + reading.corruption +
                       "): moved aside as <" + aside + ">; this run starts with an empty order book");
        reading = Reading();
    } else if (reading.tornLastLine && log_) {
        log_("Journal <" + path_ + ">: its last line was cut off when the server stopped; "
             "it is left out");
    }
    run_ = reading.lastRun + 1;

    ResolveReferences(reading.orders);
    std::vector<std::string> neverPublishedFiles;
    size_t neverWritten = 0, neverPublished = 0;
    bool unchanged = true;  // every order kept, under its own number, nothing decided
    std::string compacted;
    compacted.reserve(content.size() + 4096);
    int32_t position = 0;
    for (Recovered& r : reading.orders) {
        Order& o = r.accepted.order;
        if (!o.Ended()) {
            std::string reason;
            if (r.staging.empty()) {
                reason = "never written to INCOMING before the server stopped";
                ++neverWritten;
            } else if (!r.published && plat::FileExists(r.staging)) {
                // The line was staged but never renamed into INCOMING: NinjaTrader never saw
                // it, and a later run must never send it (an order hours late is worse than
                // one refused). The staged file goes only once this answer is in the journal:
                // gone without it, the file would read as published at the next start.
                neverPublishedFiles.push_back(r.staging);
                reason = "never published: its instruction file stayed staged";
                ++neverPublished;
            } else if (!r.published) {
                // Staged, then renamed before the stop without its record: NinjaTrader has it.
                // Said in the journal now, so that no later run's file of the same staging name
                // is taken for it.
                r.published = true;
                JournalRecord published;
                published.kind = JournalRecord::Kind::Published;
                published.time = now;
                published.staged = r.staging;
                published.file = "(renamed before the server stopped)";
                r.decided.push_back(published);
            }
            if (!reason.empty()) {
                o.status = StatusCode::Rejected;
                o.updateTime = now;
                JournalRecord rejected;
                rejected.kind = JournalRecord::Kind::Rejected;
                rejected.time = now;
                rejected.order.orderRefId = o.orderRefId;
                rejected.reason = reason;
                r.decided.push_back(rejected);
                r.lastEvent = now;
            }
        }
        const bool working = !o.Ended() && !r.superseded;
        r.keep = working || r.lastEvent >= now - kKeepEndedDays;
        if (!r.keep) continue;

        unchanged = unchanged && r.decided.empty() && r.accepted.seq == position;
        // The kept order's lines as they were written, renumbered by its place in the book.
        AppendRenumbered(compacted, content, r.acceptedLine, position);
        for (const LineSpan& line : r.later) AppendRenumbered(compacted, content, line, position);
        for (JournalRecord& record : r.decided) {
            record.seq = position;
            record.order.orderRefId = o.orderRefId;
            compacted += FormatJournalRecord(record);
        }
        Order recovered = o;
        recovered.receivedTime = r.accepted.time;
        recovered.fromEarlierRun = true;
        recovered.superseded = r.superseded;
        recovered.tookOverReference = r.tookOver;
        recovered.stagedFileTime = r.tookOver ? r.stagedFileTime : 0;
        book.Add(std::move(recovered), r.winner);
        ++position;
    }
    earlierRunOrders_ = position;

    JournalRecord start;
    start.kind = JournalRecord::Kind::Start;
    start.time = now;
    start.run = run_;
    // When recovery keeps every order as it stands (the usual start: nothing ended a week ago,
    // nothing to decide), the journal already is what compaction would write: it is only
    // continued, and a start with many working orders costs no rewrite of them all.
    const bool keptAsItStands = !reading.tornLastLine && unchanged &&
                                position == static_cast<int32_t>(reading.orders.size());
    const bool opened = keptAsItStands
                            ? file_.Open(path_) && file_.Append(FormatJournalRecord(start))
                            : OpenForRun(path_, compacted + FormatJournalRecord(start));
    if (!opened) {
        TurnOff("it could not be rewritten at start (full disk, or the file is locked)");
        return;
    }
    for (const std::string& staged : neverPublishedFiles) plat::RemoveFile(staged);
    if (!log_) return;
    if (neverWritten > 0)
        log_("Journal: " + std::to_string(neverWritten) +
             " orders of an earlier run were never written to INCOMING: Rejected");
    if (neverPublished > 0)
        log_("Journal: " + std::to_string(neverPublished) +
             " orders of an earlier run were staged but never published to INCOMING: Rejected");
}

bool OrderJournal::Record(JournalRecord record) {
    if (!file_.IsOpen()) return false;
    if (record.time == 0.0) record.time = now_ ? now_() : plat::NowDateTime();
    if (file_.Append(FormatJournalRecord(record))) return true;
    TurnOff("writing failed (full disk, or the folder is gone)");
    return false;
}

bool OrderJournal::Record(const std::vector<JournalRecord>& records) {
    if (!file_.IsOpen()) return false;
    const double now = now_ ? now_() : plat::NowDateTime();
    std::string text;
    for (JournalRecord record : records) {
        if (record.time == 0.0) record.time = now;
        text += FormatJournalRecord(record);
    }
    if (file_.Append(text)) return true;
    TurnOff("writing failed (full disk, or the folder is gone)");
    return false;
}

bool OrderJournal::Sync() {
    if (!file_.IsOpen()) return false;
    if (file_.Sync()) return true;
    TurnOff("it could not be put on the disk");
    return false;
}

}  // namespace ordersrv
