#pragma once
// Where a picture goes in a fixed frame: the largest size that fits with the
// aspect ratio kept (small pictures are enlarged too), centred.
#include <QRect>

namespace lumisk {

// The picture's rectangle inside a control of controlWidth x controlHeight;
// an empty rectangle for a picture without pixels.
QRect AspectFit(int pictureWidth, int pictureHeight, int controlWidth, int controlHeight);

} // namespace lumisk
