#pragma once
// The settings dialog. The settings live in its controls: every part of the
// program reads the control at the moment it needs the value, so a change is
// in force at once. OK only hides the dialog; there is no Cancel.
#include "catalogue/settingsfile.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace lumisk {

class TSettings : public QWidget {
    Q_OBJECT
public:
    explicit TSettings(QWidget* parent = nullptr);

    QFrame* Panel10;
    QCheckBox* AutoLoadFavs;
    QCheckBox* DateSkip;
    QLabel* Label1;
    QLabel* Label10;
    QCheckBox* EnableProxy;
    QLineEdit* proxyserver;
    QLineEdit* proxyserverport;
    QLabel* Label2;
    QLineEdit* timeout;
    QPushButton* Button1;

    void Button1Click();

    // The six settings as the controls hold them now (counters etc. untouched
    // in base), and the reverse.
    TSettingsValues Values(TSettingsValues base = {}) const;
    void SetValues(const TSettingsValues& values);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace lumisk
