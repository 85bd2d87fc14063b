#pragma once
// Where a picture goes in a fixed frame: the largest size that fits with the
// aspect ratio kept (small pictures are enlarged too), centred; and a large
// picture made small cheaply before it is drawn there.
#include <QImage>
#include <QRect>

namespace lumisk {

// The picture's rectangle inside a control of controlWidth x controlHeight;
// an empty rectangle for a picture without pixels.
QRect AspectFit(int pictureWidth, int pictureHeight, int controlWidth, int controlHeight);

// A 24-bit picture (Format_BGR888 or Format_RGB888) reduced by the largest
// whole factor that still leaves at least minWidth x minHeight pixels, each
// pixel the mean of the block it stands for, as a JPEG decoded at a reduced
// scale would be; a last partial block counts with the pixels it has. Any
// other picture, and one that no factor of 2 or more fits, comes back as
// it is. Drawing the result scaled then looks like drawing the whole picture
// smoothly, at a fraction of the cost.
QImage ShrinkAtLeast(const QImage& picture, int minWidth, int minHeight);

} // namespace lumisk
