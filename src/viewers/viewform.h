#pragma once
// The image viewer: the current camera's preview at its natural size.
#include <QWidget>

namespace lumisk {

class TViewForm : public QWidget {
    Q_OBJECT
public:
    explicit TViewForm(QWidget* parent = nullptr);
};

} // namespace lumisk
