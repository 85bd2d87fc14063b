#include "imaging/previewfit.h"

namespace lumisk {

QRect AspectFit(int pictureWidth, int pictureHeight, int controlWidth, int controlHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {};
    const double aspect = static_cast<double>(pictureWidth) / pictureHeight;
    int w, h;
    if (pictureWidth > pictureHeight) {
        w = controlWidth;
        h = static_cast<int>(controlWidth / aspect);
        if (h > controlHeight) {
            h = controlHeight;
            w = static_cast<int>(controlHeight * aspect);
        }
    } else {
        h = controlHeight;
        w = static_cast<int>(controlHeight * aspect);
        if (w > controlWidth) {
            w = controlWidth;
            h = static_cast<int>(controlWidth / aspect);
        }
    }
    return QRect((controlWidth - w) / 2, (controlHeight - h) / 2, w, h);
}

} // namespace lumisk
