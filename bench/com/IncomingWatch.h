#pragma once
// Watches NinjaTrader's INCOMING folder as a stand-in that only counts would: each instruction
// file (OIF*.TXT) is read once, when it first appears (the server moves files in whole), and its
// PLACE lines are attributed to the order references they carry.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace ordersrv {

namespace bench {

class IncomingWatch {
public:
    // `folder` is the INCOMING folder (Windows path). With `deleteSeen`, each file is deleted
    // once read, as NinjaTrader does with the instructions it has taken.
    IncomingWatch(std::string folder, bool deleteSeen);

    // One PLACE line found, with the last-write time of its file (FILETIME units, UTC): the
    // moment the server wrote it, before it moved the file into INCOMING.
    struct PlacedOrder {
        int32_t ref;
        uint64_t writtenAt;
    };

    // Reads the files that appeared since the last look; returns the PLACE lines found in them.
    std::vector<PlacedOrder> TakeNewOrders();

    size_t FilesSeen() const { return seen_.size(); }

    // Deletes every instruction file now in the folder.
    void Clear();

private:
    struct Listed {
        std::string name;
        uint64_t writtenAt;
    };
    std::vector<Listed> ListInstructionFiles() const;

    std::string folder_;
    bool deleteSeen_;
    std::set<std::string> seen_;
};

}  // namespace bench

}  // namespace ordersrv
