#include "catalogue/settings.h"

#include "util/bytetext.h"
#include "util/singlelinevalidator.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/windowkeys.h"
#include "widgets/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>

namespace lumisk {

TSettings::TSettings(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("TSettings");
    setWindowTitle("Settings");
    setFixedSize(246, 151);
    setFont(DesignNarrowFont());

    Panel10 = Put(new QFrame(this), "Panel10", 0, 0, 246, 151);
    Panel10->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    AutoLoadFavs = Put(new QCheckBox("Auto-load favourites when selected", Panel10), "AutoLoadFavs",
                       8, 8, 193, 17);
    AutoLoadFavs->setChecked(true);
    DateSkip = Put(new QCheckBox("Skip download if date matches last download", Panel10),
                   "DateSkip", 8, 25, 233, 17);
    DateSkip->setChecked(true);
    Label1 = PutLabel(Panel10, "Label1", "Name", 80, 56);
    Label10 = PutLabel(Panel10, "Label10", "Port", 208, 56);
    EnableProxy = Put(new QCheckBox("Use proxy", Panel10), "EnableProxy", 8, 74, 73, 17);
    proxyserver = Put(new QLineEdit("proxyserver", Panel10), "proxyserver", 80, 72, 121, 21);
    proxyserverport = Put(new QLineEdit("80", Panel10), "proxyserverport", 200, 72, 33, 21);
    Label2 = PutLabel(Panel10, "Label2", "Read timeout (ms)", 8, 122);
    timeout = Put(new QLineEdit("5000", Panel10), "timeout", 96, 120, 49, 21);
    Button1 = Put(new QPushButton("OK", Panel10), "Button1", 165, 120, 75, 25);
    // Each value is one line of orvane.ini: a pasted line break would add lines.
    for (QLineEdit* field : {proxyserver, proxyserverport, timeout})
        field->setValidator(new TSingleLineValidator(field));

    // Tab order as designed: EnableProxy, OK, the two boxes, timeout, proxy.
    QWidget* order[] = {EnableProxy, Button1,     AutoLoadFavs,   DateSkip,
                        timeout,     proxyserver, proxyserverport};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    // Changes are in force as they are made: Escape closes as OK does.
    UseDialogKeys(this, Button1);
}

void TSettings::Button1Click() {
    hide();
}

TSettingsValues TSettings::Values(TSettingsValues base) const {
    base.ProxyEnabled = EnableProxy->isChecked();
    base.ProxyServer = DisplayToBytes(proxyserver->text());
    base.ProxyPort = DisplayToBytes(proxyserverport->text());
    base.AutoLoadFavs = AutoLoadFavs->isChecked();
    base.DateSkip = DateSkip->isChecked();
    base.Timeout = DisplayToBytes(timeout->text());
    return base;
}

void TSettings::SetValues(const TSettingsValues& values) {
    EnableProxy->setChecked(values.ProxyEnabled);
    proxyserver->setText(BytesToDisplay(values.ProxyServer));
    proxyserverport->setText(BytesToDisplay(values.ProxyPort));
    AutoLoadFavs->setChecked(values.AutoLoadFavs);
    DateSkip->setChecked(values.DateSkip);
    timeout->setText(BytesToDisplay(values.Timeout));
}

void TSettings::showEvent(QShowEvent* event) {
    TWindowPlacement::Place(this, TPlacement::Centred);
    QWidget::showEvent(event);
}

} // namespace lumisk
