#pragma once
// The AVI builder: turns the time-lapse frames into an uncompressed movie.
#include <QWidget>

namespace lumisk {

class TAVIBuildForm : public QWidget {
    Q_OBJECT
public:
    explicit TAVIBuildForm(QWidget* parent = nullptr);
};

} // namespace lumisk
