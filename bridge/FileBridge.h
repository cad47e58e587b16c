#pragma once
// Everything that touches NinjaTrader's folders: the drain that writes instruction files into
// INCOMING (message 4040) and the scan of OUTGOING with its readers (message 5035). Main thread.
#include <cstdint>
#include <string>

class TOrderServerEngine;
struct TNTOrderServerItem;

class TFileBridge {
public:
    explicit TFileBridge(TOrderServerEngine& engine);

    void ProcessActionQueue();   // handler of 4040
    void ScanOutgoingFolder();   // handler of 5035

    std::string NextInstructionFileName();
    std::string BuildPlaceLine(const TNTOrderServerItem& order);
    std::string BuildCancelLine(int32_t orderRefId);

    void ClassifyOutgoingFile(const std::string& path);
    void ReadOrderStateFile(int32_t orderRefId, const std::string& path);
    void ReadPositionFile(const std::string& baseName, const std::string& path);

    int32_t InstructionFileCounter() const { return fileCounter_; }

private:
    TOrderServerEngine& engine_;
    int32_t fileCounter_ = 100;
    bool scanInProgress_ = false;
};
