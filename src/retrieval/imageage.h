#pragma once
// The "Time since last update" text for a camera's remembered server date.
#include <string>

namespace lumisk {

// "Unknown" for an empty date or one of the "Unable ..." texts, else the
// distance from now ("0 days, 01:00:05", "Unsupported", or "" past 10000
// days), or "Cannot parse dates" when the date cannot be decoded (after any
// message the decoding shows).
std::string ImageAgeText(const std::string& lastModified);

} // namespace lumisk
