#pragma once
// How bright a picture is, used to find dark previews.
#include <QImage>

namespace lumisk {

// The mean of all red, green and blue bytes as a percentage: 0 for all black,
// 100 for all white. The sum is kept in 64 bits, so any picture Qt can hold
// fits. Pictures not in a 24-bit format are converted first. A picture with
// no pixels (null, or width or height 0) gives 0, which callers that look for
// dark previews treat as dark.
double AverageBrightness(const QImage& picture);

} // namespace lumisk
