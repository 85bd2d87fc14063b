#include "viewers/thumbnailform.h"

namespace lumisk {

TThumbnailForm::TThumbnailForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TThumbnailForm");
    setWindowTitle("Camera thumbnail previews - Click image to load camera");
    resize(512, 419);
}

} // namespace lumisk
