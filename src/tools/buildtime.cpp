#include "tools/buildtime.h"

namespace lumisk {

std::int64_t BuildUnixSeconds() {
    return LUMISK_BUILD_UNIX_SECONDS;
}

std::int64_t EarliestClockUnixSeconds() {
    return BuildUnixSeconds() - 86'400;
}

} // namespace lumisk
