#pragma once
// The batch preview refresh window: downloads a fresh preview for every
// camera the chosen update style selects.
#include <QPushButton>
#include <QWidget>

namespace lumisk {

class TRefreshPreviews : public QWidget {
    Q_OBJECT
public:
    explicit TRefreshPreviews(QWidget* parent = nullptr);

    QPushButton* Button1;
    // Update while the caption reads "Update", otherwise Stop.
    void Button1Click();
};

} // namespace lumisk
