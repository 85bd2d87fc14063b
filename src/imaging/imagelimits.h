#pragma once
// The size every decoder accepts. A few bytes of header can announce a huge
// picture, so each decoder checks the announced size here before it allocates
// anything for the pixels.
#include <cstdint>

namespace lumisk {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing meets a huge announced size in most inputs; a small limit keeps
// each run in milliseconds while the same checks are exercised.
inline constexpr std::int64_t kMaxImagePixels = 4'000'000;
#else
// Pictures larger than this many pixels are refused (about 300 MB at 24 bits).
inline constexpr std::int64_t kMaxImagePixels = 100'000'000;
#endif

// Throws EImageError naming format unless 0 < width, 0 < height and
// width * height <= kMaxImagePixels. Takes 64-bit values so that the product of
// any two 32-bit dimensions is computed without overflow.
void CheckImageSize(std::int64_t width, std::int64_t height, const char* format);

} // namespace lumisk
