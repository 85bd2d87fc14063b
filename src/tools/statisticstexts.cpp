#include "tools/statisticstexts.h"

#include "util/textutils.h"

namespace lumisk {

TStatisticsTexts TStatisticsTexts::DesignTime() {
    // "Previews" (plural) until the first refresh, as the window was designed.
    return {"Total bytes = 0 Bytes", "Bytes this session = 0 Bytes", "Images this session = 0",
            "Total images = 0", "Previews disk space = 0 Bytes"};
}

TStatisticsTexts TStatisticsTexts::Build(const TStatisticsCounters& counters,
                                         std::int64_t previewDiskSpace) {
    auto wide = [](std::int32_t n) { return static_cast<std::int64_t>(n); };
    return {"Total bytes = " + ByteSizeText(wide(counters.TotalBytes)),
            "Bytes this session = " + ByteSizeText(wide(counters.SessionBytes)),
            "Images this session = " + GroupThousands(wide(counters.SessionImages)),
            "Total images = " + GroupThousands(wide(counters.TotalImages)),
            "Preview disk space = " + ByteSizeText(previewDiskSpace)};
}

} // namespace lumisk
