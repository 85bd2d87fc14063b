#include "tools/timeclient.h"

namespace lumisk {

TTimeClient::TTimeClient(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TTimeClient");
    setWindowTitle("Internet Time Check");
    resize(217, 235);
}

} // namespace lumisk
