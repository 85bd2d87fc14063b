#pragma once
// A camera named on the command line by its description. Exact means the
// same bytes; Close lists the cameras the user may have meant when the
// bytes are not quite right (the same text in other letter case, a part of
// the description, or a few letters off), best first, at most kMaxClose.
// Positions are catalogue slots (1..Count).
#include "catalogue/catalogue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumisk::cli {

struct TCameraMatches {
    static constexpr std::size_t kMaxClose = 5;

    std::vector<std::int32_t> Exact;
    std::vector<std::int32_t> Close;

    static TCameraMatches Find(const TCatalogue& catalogue, const std::string& description);
    // Lines for a message: "  camera 3: Harbour Cam", one per slot.
    static std::string Listing(const TCatalogue& catalogue,
                               const std::vector<std::int32_t>& positions);
};

} // namespace lumisk::cli
