#include "catalogue/appstate.h"

#include <limits>

namespace lumisk {

const char* const VersionLine = "Lumisk version " LUMISK_VERSION;

TAppState& App() {
    static TAppState state;
    return state;
}

void ResetAppState() { App() = TAppState{}; }

std::int32_t SaturatingAdd(std::int32_t counter, std::int64_t amount) {
    std::int64_t sum = static_cast<std::int64_t>(counter) + amount;
    if (sum > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(sum);
}

} // namespace lumisk
