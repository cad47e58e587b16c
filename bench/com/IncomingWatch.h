#pragma once
// Watches NinjaTrader's INCOMING folder as a stand-in that only counts would: each instruction
// file (OIF*.TXT) is read once, when it first appears (the server moves files in whole), and its
// PLACE lines are attributed to the order references they carry.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace bench {

class IncomingWatch {
public:
    // `folder` is the INCOMING folder (Windows path). With `deleteSeen`, each file is deleted
    // once read, as NinjaTrader does with the instructions it has taken.
    IncomingWatch(std::string folder, bool deleteSeen);

    // Reads the files that appeared since the last look; returns the order references of the
    // PLACE lines found in them.
    std::vector<int32_t> TakeNewOrders();

    size_t FilesSeen() const { return seen_.size(); }

    // Deletes every instruction file now in the folder.
    void Clear();

private:
    std::vector<std::string> ListInstructionFiles() const;

    std::string folder_;
    bool deleteSeen_;
    std::set<std::string> seen_;
};

}  // namespace bench
