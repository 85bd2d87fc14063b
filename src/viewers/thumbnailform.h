#pragma once
// The thumbnail grid: every camera as a 200 x 200 picture; a click loads it.
#include <QWidget>

namespace lumisk {

class TThumbnailForm : public QWidget {
    Q_OBJECT
public:
    explicit TThumbnailForm(QWidget* parent = nullptr);
};

} // namespace lumisk
