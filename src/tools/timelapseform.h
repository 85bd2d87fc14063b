#pragma once
// The time-lapse window: grabs the current camera again and again into
// numbered frame files.
#include <QStatusBar>
#include <QWidget>

namespace lumisk {

class TTimeLapseForm : public QWidget {
    Q_OBJECT
public:
    explicit TTimeLapseForm(QWidget* parent = nullptr);

    QStatusBar* Stats;
};

} // namespace lumisk
