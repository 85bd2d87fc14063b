#include "imaging/imagelimits.h"

#include "imaging/imageerror.h"

#include <string>

namespace lumisk {

void CheckImageSize(std::int64_t width, std::int64_t height, const char* format) {
    if (width <= 0 || height <= 0)
        throw EImageError(format, "empty picture (" + std::to_string(width) + " x " +
                                      std::to_string(height) + ")");
    // Both factors are below 2^32 whenever a caller passes file fields, but a
    // quotient test stays correct for any positive 64-bit pair.
    if (width > kMaxImagePixels / height)
        throw EImageError(format, "picture too large (" + std::to_string(width) + " x " +
                                      std::to_string(height) + " pixels)");
}

} // namespace lumisk
