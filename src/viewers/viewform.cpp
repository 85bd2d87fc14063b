#include "viewers/viewform.h"

namespace lumisk {

TViewForm::TViewForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TViewForm");
    setWindowTitle("Image Viewer");
    resize(150, 162);
}

} // namespace lumisk
