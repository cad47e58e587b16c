#pragma once
#include <cstdint>

namespace plat {

// Milliseconds since some fixed moment; wraps around every 49.7 days like GetTickCount.
uint32_t TickCount();

void SleepMs(uint32_t ms);

}  // namespace plat
