#include "tools/statsform.h"

namespace lumisk {

TStatsForm::TStatsForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TStatsForm");
    setWindowTitle("Statistics");
    setFixedSize(174, 92);
}

} // namespace lumisk
