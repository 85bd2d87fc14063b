#pragma once
// The statistics window: bytes and images downloaded, in this run and over
// all runs, and the disk space of the previews.
#include <QWidget>

namespace lumisk {

class TStatsForm : public QWidget {
    Q_OBJECT
public:
    explicit TStatsForm(QWidget* parent = nullptr);
};

} // namespace lumisk
