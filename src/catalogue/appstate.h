#pragma once
// The state that every window shares, in one place: the catalogue, the
// favourites, the statistics counters, the first-run flag and the download
// flags. It lives from start-up to exit; tests reset it between cases.
#include "catalogue/catalogue.h"
#include "catalogue/settingsfile.h"
#include "util/filesnapshot.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumisk {

// The version text shown in the About window and stored as "Version Flag".
extern const char* const VersionLine;

struct TAppState {
    TCatalogue Catalogue;
    std::vector<std::string> Favourites;

    std::int32_t TotalBytes = 0;
    std::int32_t TotalImages = 0;
    std::int32_t SessionBytes = 0;
    std::int32_t SessionImages = 0;
    bool FirstRun = false;

    // What the shared files held when this process last read or wrote them,
    // so that a save keeps what a command changed there meanwhile.
    TFileSnapshot CatalogueOnDisk;
    TFileSnapshot FavouritesOnDisk;
    std::optional<TTotalCounters> CountersOnDisk;

    bool AbortRequested = false;
    bool DownloadFailed = false;
    bool DownloadSkipped = false;
    std::int32_t CurrentDownloadBytes = 0;
    std::int32_t ExpectedDownloadBytes = 0;
};

TAppState& App();

// Back to the state at process start.
void ResetAppState();

// Adds to a 32-bit counter, staying at the largest value instead of wrapping,
// so the settings file always holds a valid signed 32-bit number.
std::int32_t SaturatingAdd(std::int32_t counter, std::int64_t amount);

} // namespace lumisk
