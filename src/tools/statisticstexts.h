#pragma once
// The five lines of the statistics window, built from the download counters
// and the previews' disk space. The 32-bit counters are widened with their
// sign before they are turned into text, so a negative or saturated count
// reads as the number it is.
#include <cstdint>
#include <string>

namespace lumisk {

struct TStatisticsCounters {
    std::int32_t TotalBytes = 0;
    std::int32_t SessionBytes = 0;
    std::int32_t TotalImages = 0;
    std::int32_t SessionImages = 0;
};

struct TStatisticsTexts {
    std::string TotalBytes;       // "Total bytes = " ...
    std::string SessionBytes;     // "Bytes this session = " ...
    std::string SessionImages;    // "Images this session = " ...
    std::string TotalImages;      // "Total images = " ...
    std::string PreviewDiskSpace; // "Preview disk space = " ...

    // What the window shows before its first refresh.
    static TStatisticsTexts DesignTime();
    // The refreshed texts; ByteSizeText writes the user's decimal separator.
    static TStatisticsTexts Build(const TStatisticsCounters& counters,
                                  std::int64_t previewDiskSpace);
};

} // namespace lumisk
