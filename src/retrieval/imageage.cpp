#include "retrieval/imageage.h"

#include "retrieval/httpdate.h"

namespace lumisk {

std::string ImageAgeText(const std::string& lastModified) {
    if (lastModified.empty() || lastModified.compare(0, 6, "Unable") == 0) return "Unknown";
    std::optional<std::string> age = HttpDateDifference(NowHttpDate(), lastModified);
    if (!age || (!age->empty() && (*age)[0] == '-')) return "Cannot parse dates";
    return *age;
}

} // namespace lumisk
