#pragma once
// Reads one order-state file HALVENMAR<ref>.TXT from OUTGOING and applies its first line
// ("word;filled;price") to the order of that reference; the file is deleted once the order has
// ended. A file of an unknown order, or one that cannot be read yet, is left for the next scan.
// Main thread.
#include <cstdint>
#include <string>

namespace ordersrv {

class Engine;

void ReadOrderStateFile(Engine& engine, int32_t orderRefId, const std::string& path);

}  // namespace ordersrv
