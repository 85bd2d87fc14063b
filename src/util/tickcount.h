#pragma once
// A monotonic millisecond count for timing downloads and runs; never goes
// back when the wall clock is set.
#include <chrono>
#include <cstdint>

namespace lumisk {

inline std::int64_t TickMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace lumisk
