#include "tools/timelapseform.h"

#include <QVBoxLayout>

namespace lumisk {

TTimeLapseForm::TTimeLapseForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TTimeLapseForm");
    setWindowTitle("Time Lapse AVI Builder");
    resize(300, 260);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    Stats = new QStatusBar(this);
    Stats->setObjectName("Stats");
    Stats->setSizeGripEnabled(false);
    Stats->showMessage("Select Image and click Start ...");
    layout->addWidget(Stats);
}

} // namespace lumisk
