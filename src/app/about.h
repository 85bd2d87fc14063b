#pragma once
// The About window: a borderless picture with the version line, credits, a
// link to the program's web page and the data folder in use (read again each
// time it is shown); OK hides it.
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
    QLabel* DataFolder;
    QPushButton* OKButton;

    void LinkClick();
    void OKButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowDataFolder();
};

} // namespace lumisk
