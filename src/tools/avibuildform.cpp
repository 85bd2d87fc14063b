#include "tools/avibuildform.h"

namespace lumisk {

TAVIBuildForm::TAVIBuildForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TAVIBuildForm");
    setWindowTitle("AVI Builder");
    resize(400, 300);
}

} // namespace lumisk
