#pragma once
// The Internet time check: a view of the time check (timecheck.h) that reads
// the time from an RFC 868 time server chosen in ComboBox1, shows it beside
// the local time with the difference in seconds, and sets the computer's
// clock through Services().Clock.
//
// Button1 runs through "Set Time", "Retrieving", "Setting" and back, and is
// disabled while a run lasts. A run that cannot read the time (no host, no
// connection, no or short answer, a server that sends 0) ends with "Unable to
// read time" in Edit2; one that cannot set the clock (no clock installed, a
// clock that refuses, a time before this program was built) with "Unable to
// set time"; either way Edit1 and Edit3
// are emptied and the button restored. Nothing is kept between runs.
#include "tools/timecheck.h"
#include "tools/timeprotocolclient.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>

namespace lumisk {

class TTimeClient : public QWidget {
    Q_OBJECT
  public:
    explicit TTimeClient(QWidget* parent = nullptr);

    // The servers the combo box offers, in order.
    static constexpr auto TimeServers = TTimeCheck::TimeServers;

    QFrame* Bevel1;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QComboBox* ComboBox1;
    QLineEdit *Edit1, *Edit2, *Edit3;
    QPushButton* Button1;
    TTimeProtocolClient Time1;

    void FormShow();
    void Button1Click();
    void Time1Status(TTimeStatus status);

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void SetButton(const char* caption, bool enabled);
    void FailureEnding(const char* message);
};

} // namespace lumisk
