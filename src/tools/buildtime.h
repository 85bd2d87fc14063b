#pragma once
// When this program was built, fixed at build time (the configure step, or
// SOURCE_DATE_EPOCH when it is set). No true clock reading can lie before it,
// so a time that does comes from a broken or wrapped source.
#include <cstdint>

namespace lumisk {

// Seconds since 1 January 1970 00:00 UTC.
std::int64_t BuildUnixSeconds();

// The earliest time the clock may be set to: the build time less a day, the
// build machine's own clock being no better than any other.
std::int64_t EarliestClockUnixSeconds();

} // namespace lumisk
