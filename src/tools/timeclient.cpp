#include "tools/timeclient.h"

#include "tools/datetimevalue.h"
#include "tools/timecheck.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/textutils.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/windowkeys.h"
#include "widgets/windowplacement.h"

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
    UseWindowKeys(this, {});
}

void TTimeClient::showEvent(QShowEvent* event) {
    // Each showing starts centred on the screen with the first server; the
    // window system's own re-showing (after minimising) changes nothing.
    if (!event->spontaneous()) {
        TWindowPlacement::Place(this, TPlacement::Centred);
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
    struct TView : ITimeCheckObserver {
        TTimeClient& w;
        explicit TView(TTimeClient& window) : w(window) {}
        void Retrieving() override { w.SetButton("Retrieving", false); }
        void TimeRead(const TTimeReading& r) override {
            w.Edit2->setText(BytesToDisplay(DateTimeText(r.Remote)));
            w.Edit1->setText(BytesToDisplay(DateTimeText(r.Local)));
            w.Edit3->setText(
                QString::fromStdString(GroupThousands(r.DifferenceSeconds) + " seconds"));
        }
        void Setting() override { w.SetButton("Setting", false); }
    } view(*this);
    TTimeCheck check(Time1);
    // Every successful reading sets the clock: the window has no check alone.
    switch (check.Run(DisplayToBytes(ComboBox1->currentText()), true, view)) {
    case TTimeCheckResult::ReadFailed:
        return FailureEnding("Unable to read time");
    case TTimeCheckResult::SetFailed:
        return FailureEnding("Unable to set time");
    case TTimeCheckResult::Read:
    case TTimeCheckResult::Set:
        break;
    }
    SetButton("Set Time", true);
}

} // namespace lumisk
