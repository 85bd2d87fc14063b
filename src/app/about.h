#pragma once
// The About window: a borderless picture with the version line, credits and
// a link to the program's web page; OK hides it.
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace lumisk {

class TAbout : public QWidget {
    Q_OBJECT
public:
    explicit TAbout(QWidget* parent = nullptr);

    static constexpr const char* WebPage = "https://lumisk.org/";

    QLabel* Image1;
    QLabel* Version;
    QLabel* Credits;
    QLabel* Link;
    QPushButton* OKButton;

    void LinkClick();
    void OKButtonClick();
};

} // namespace lumisk
