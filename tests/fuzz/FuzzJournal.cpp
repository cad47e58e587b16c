// The order journal as a kill, a full disk or a person with an editor may leave it: whatever it
// holds, a start never fails, puts back only orders it can name, and leaves a journal that the
// next start reads back to the same orders (or has moved the unreadable one aside).
// Input: the journal's content.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/OrderJournal.h"
#include "model/OrderBook.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "tests/fuzz/FuzzBridgeHarness.h"
#include "tests/fuzz/FuzzCheck.h"

namespace ordersrv {

namespace {

const std::string& Folder() {
    static const std::string folder =
        FuzzScratchBase() + "/ordersrv-fuzz-journal-" + std::to_string(getpid());
    static const struct Remover {
        ~Remover() { std::filesystem::remove_all(folder); }
    } remover;
    return folder;
}

int32_t StartOnce(OrderBook& book) {
    OrderJournal journal;
    journal.Start(Folder() + "/ORDERSRV.INI", book, plat::NowDateTime(), nullptr);
    FUZZ_CHECK(journal.On());
    return journal.EarlierRunOrders();
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::filesystem::remove_all(Folder());
    FUZZ_CHECK(plat::MakeFolderTree(Folder()));
    FUZZ_CHECK(plat::WriteWholeFile(Folder() + "/ORDERSRV-JOURNAL.TXT",
                                    std::string(reinterpret_cast<const char*>(data), size)));
    OrderBook first;
    const int32_t kept = StartOnce(first);
    FUZZ_CHECK(kept == first.Count());
    for (int32_t i = 0; i < first.Count(); ++i) FUZZ_CHECK(first.ItemAt(i)->fromEarlierRun);

    // What the first start left is a sound journal: the next start keeps exactly those orders.
    OrderBook second;
    FUZZ_CHECK(StartOnce(second) == kept);
    for (int32_t i = 0; i < kept; ++i) {
        FUZZ_CHECK(second.ItemAt(i)->orderRefId == first.ItemAt(i)->orderRefId);
        FUZZ_CHECK(second.ItemAt(i)->status == first.ItemAt(i)->status);
    }
    return 0;
}
