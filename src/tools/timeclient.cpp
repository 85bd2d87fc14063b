#include "tools/timeclient.h"

#include "tools/buildtime.h"
#include "tools/datetimevalue.h"
#include "util/bytetext.h"
#include "util/clocksetter.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/services.h"
#include "util/textutils.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

namespace lumisk {

namespace {

// The designed outer size is 217 x 235; the frame of a sizeable window takes
// 4 pixels on each side and the title bar 19 more.
constexpr int ClientWidth = 209;
constexpr int ClientHeight = 208;
constexpr int EditHeight = 21;

QLineEdit* PutEdit(QWidget* parent, const char* name, int y) {
    return Put(new QLineEdit(parent), name, 8, y, 193, EditHeight);
}

} // namespace

TTimeClient::TTimeClient(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("TTimeClient");
    setWindowTitle("Internet Time Check");
    setFont(DesignFont());
    resize(ClientWidth, ClientHeight);

    Bevel1 = Put(new QFrame(this), "Bevel1", 0, 0, ClientWidth, ClientHeight);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);

    Label1 = PutLabel(this, "Label1", "Time Server", 8, 11);
    ComboBox1 = Put(new QComboBox(this), "ComboBox1", 8, 24, 193, EditHeight);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    for (const char* server : TimeServers)
        ComboBox1->addItem(QString::fromLatin1(server));

    Label3 = PutLabel(this, "Label3", "Remote Time", 8, 48);
    Edit2 = PutEdit(this, "Edit2", 64);
    Label2 = PutLabel(this, "Label2", "Local Time", 8, 88);
    Edit1 = PutEdit(this, "Edit1", 104);
    Label4 = PutLabel(this, "Label4", "Difference", 8, 128);
    Edit3 = PutEdit(this, "Edit3", 144);

    Button1 = PutButton(this, "Button1", "Set Time", nullptr, 67, 176, 75, 25);
    connect(Button1, &QPushButton::clicked, this,
            [this] { RunHandler([this] { Button1Click(); }); });

    Time1.OnStatus = [this](TTimeStatus status) { Time1Status(status); };
}

void TTimeClient::showEvent(QShowEvent* event) {
    // Each showing starts centred on the screen with the first server; the
    // window system's own re-showing (after minimising) changes nothing.
    if (!event->spontaneous()) {
        if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
            const QSize frameExtra = (frameGeometry().size() - geometry().size()).expandedTo({});
            QRect outer(QPoint(), size() + frameExtra);
            outer.moveCenter(screen->geometry().center());
            move(outer.topLeft());
        }
        RunHandler([this] { FormShow(); });
    }
    QWidget::showEvent(event);
}

void TTimeClient::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Bevel1->setGeometry(rect());
}

void TTimeClient::FormShow() {
    ComboBox1->setCurrentIndex(0);
    // An edited text is not an entry: setting the index alone would keep it.
    ComboBox1->setEditText(ComboBox1->itemText(0));
}

void TTimeClient::Time1Status(TTimeStatus) {}

void TTimeClient::SetButton(const char* caption, bool enabled) {
    Button1->setText(QString::fromLatin1(caption));
    Button1->setEnabled(enabled);
    ProcessPendingEvents();
}

void TTimeClient::FailureEnding(const char* message) {
    Edit2->setText(QString::fromLatin1(message));
    Edit1->clear();
    Edit3->clear();
    SetButton("Set Time", true);
}

void TTimeClient::Button1Click() {
    SetButton("Retrieving", false);
    double remote = 0;
    try {
        Time1.SetHost(DisplayToBytes(ComboBox1->currentText()));
        remote = Time1.DateTime();
        const double local = NowLocalDateTime();
        // A server with no time of its own sends 0; the clock must not follow it.
        if (remote == 0) throw ETimeProtocolError(TTimeFailure::Receive, "No time received");
        Edit2->setText(BytesToDisplay(DateTimeText(remote)));
        Edit1->setText(BytesToDisplay(DateTimeText(local)));
        Edit3->setText(QString::fromStdString(GroupThousands(WholeSecondsBetween(remote, local)) +
                                              " seconds"));
    } catch (...) {
        FailureEnding("Unable to read time");
        return;
    }

    SetButton("Setting", false);
    try {
        // A server that is wrong (or counts in the wrong era) must not take
        // the clock back to before this program existed.
        if (TimeProtocolUnixSeconds(Time1.Seconds(), Time1.NetworkDelay()) <
            EarliestClockUnixSeconds())
            throw EClockError("The time is before this program was built");
        const auto time = DecodeDateTime(remote);
        if (!time) throw EClockError("The time is outside the calendar");
        IClockSetter* clock = Services().Clock;
        if (!clock) throw EClockError("No clock to set");
        clock->SetLocalTime(*time);
    } catch (...) {
        FailureEnding("Unable to set time");
        return;
    }
    SetButton("Set Time", true);
}

} // namespace lumisk
