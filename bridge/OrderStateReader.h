#pragma once
// Reads one order-state file HALVENMAR<ref>.TXT from OUTGOING and applies its first line
// ("word;filled;price") to the order of that reference; the file is deleted once the order has
// ended. A file of an unknown order is not opened. Main thread.
#include <cstdint>

#include "bridge/ListedFile.h"

namespace ordersrv {

class Engine;

OutgoingRead ReadOrderStateFile(Engine& engine, int32_t orderRefId, const ListedFile& file);

}  // namespace ordersrv
