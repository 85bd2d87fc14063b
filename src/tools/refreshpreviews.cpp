#include "tools/refreshpreviews.h"

namespace lumisk {

TRefreshPreviews::TRefreshPreviews(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TRefreshPreviews");
    setWindowTitle("Preview Images Refresh");
    resize(300, 330);
    Button1 = new QPushButton("Update", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(112, 290, 75, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TRefreshPreviews::Button1Click() {
    // The batch run itself is not built yet.
}

} // namespace lumisk
