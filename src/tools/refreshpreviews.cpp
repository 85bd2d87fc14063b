#include "tools/refreshpreviews.h"

#include "tools/mainwindowdownloader.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"
#include "widgets/windowkeys.h"

#include <QComboBox>
#include <QHideEvent>
#include <QShowEvent>

namespace lumisk {

namespace {

constexpr int kClientWidth = 273;
constexpr int kClientHeight = 327;
constexpr int kRowHeight = 24;
constexpr int kEditLeft = 184;

QString Number(std::int32_t n) {
    return QString::number(n);
}

} // namespace

TRefreshPreviews::TRefreshPreviews(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("TRefreshPreviews");
    setWindowTitle("Preview Images Refresh");
    setFixedSize(kClientWidth, kClientHeight);
    setFont(DesignFont());

    // The counters in the order the user reads them: cameras, then what
    // became of them, then the clean-up.
    auto row = [this](QLabel*& label, QLineEdit*& edit, const char* labelName, const char* editName,
                      const char* caption, int index) {
        const int top = 8 + index * kRowHeight;
        label = PutLabel(this, labelName, caption, 8, top + 4);
        edit = Put(new QLineEdit(this), editName, kEditLeft, top, 81, 21);
        edit->setReadOnly(true);
        edit->setEnabled(false);
    };
    row(Label1, Edit1, "Label1", "Edit1", "Total number of web cams", 0);
    row(Label2, Edit2, "Label2", "Edit2", "Preview images updated", 1);
    row(Label4, Edit4, "Label4", "Edit4", "Failed downloads", 2);
    row(Label5, Edit5, "Label5", "Edit5", "Skipped downloads", 3);
    row(Label3, Edit3, "Label3", "Edit3", "Old previews removed", 4);

    Label6 = PutLabel(this, "Label6", "Update style", 8, 132);
    updatestyle = Put(new QComboBox(this), "updatestyle", 80, 128, 185, 21);
    updatestyle->addItems(
        {"All preview images", "Cameras without preview image", "Dark shaded images"});
    Label7 = PutLabel(this, "Label7", "Failed downloads", 8, 156);
    ListBox1 = Put(new QListWidget(this), "ListBox1", 8, 172, 257, 95);
    Button1 = PutButton(this, "Button1", "Update", nullptr, 99, 275, 75, 25);
    stats = Put(new QStatusBar(this), "stats", 0, kClientHeight - 19, kClientWidth, 19);
    stats->setSizeGripEnabled(false);

    connect(Button1, &QPushButton::clicked, this,
            [this] { RunHandler([this] { Button1Click(); }); });
    connect(ListBox1, &QListWidget::itemClicked, this,
            [this] { RunHandler([this] { ListBox1Click(); }); });
    // Selecting with the keyboard goes to the camera as well.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && ListBox1->hasFocus()) RunHandler([this] { ListBox1Click(); });
    });
    FormCreate();
    UseWindowKeys(this, {});
}

void TRefreshPreviews::FormCreate() {
    updatestyle->setCurrentIndex(0);
}

void TRefreshPreviews::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

void TRefreshPreviews::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimising hides the window too, spontaneously; only closing and
    // hiding it stop a run.
    if (!event->spontaneous()) RunHandler([this] { FormHide(); });
}

void TRefreshPreviews::FormShow() {
    const IMainWindow* main = Forms().MainForm;
    Edit1->setText(Number(main ? main->DescriptionList()->count() : 0));
    for (QLineEdit* edit : {Edit2, Edit3, Edit4, Edit5})
        edit->setText("0");
    SetStatus("");
    ListBox1->clear();
}

void TRefreshPreviews::FormHide() {
    if (Button1->text() == "Stop") RequestStop(false);
}

void TRefreshPreviews::Button1Click() {
    if (Button1->text() == "Update")
        Update();
    else
        Stop();
}

void TRefreshPreviews::Stop() {
    RequestStop(true);
}

void TRefreshPreviews::RequestStop(bool enableControls) {
    Button1->setText("Stopping");
    ProcessPendingEvents();
    engine_.RequestStop();
    if (enableControls) {
        ListBox1->setEnabled(true);
        updatestyle->setEnabled(true);
    }
    ProcessPendingEvents();
}

void TRefreshPreviews::SetIdle() {
    Button1->setText("Update");
    ListBox1->setEnabled(true);
    updatestyle->setEnabled(true);
}

void TRefreshPreviews::Update() {
    TMainWindowDownloader downloader(*Forms().MainForm);
    Button1->setText("Stop");
    ListBox1->setEnabled(false);
    updatestyle->setEnabled(false);
    // An error (a dark preview that cannot be decoded, a failed save) ends
    // the run where it happens; the window must still come back to idle.
    struct TIdleOnExit {
        TRefreshPreviews* form;
        ~TIdleOnExit() { form->SetIdle(); }
    } idleOnExit{this};
    engine_.Run(Style(), downloader);
}

void TRefreshPreviews::RefreshStarted(const TRefreshCounts& counts) {
    Edit1->setText(Number(counts.Cameras));
    for (QLineEdit* edit : {Edit2, Edit3, Edit4, Edit5})
        edit->setText("0");
    SetStatus("");
    ListBox1->clear();
}

void TRefreshPreviews::RefreshCounts(const TRefreshCounts& counts) {
    Edit2->setText(Number(counts.Updated));
    Edit3->setText(Number(counts.Removed));
    Edit4->setText(Number(counts.Failed));
    Edit5->setText(Number(counts.Skipped));
}

void TRefreshPreviews::RefreshStatus(const std::string& text) {
    SetStatus(QString::fromStdString(text));
}

void TRefreshPreviews::RefreshFailed(const std::string& description, const std::string&) {
    ListBox1->addItem(BytesToDisplay(description));
}

void TRefreshPreviews::RefreshFinished(const TRefreshSummary&) {
    SetIdle();
}

void TRefreshPreviews::ListBox1Click() {
    const QListWidgetItem* item = ListBox1->currentItem();
    if (!item || !item->isSelected()) return;
    IMainWindow& main = *Forms().MainForm;
    // Exact text, letter case ignored: the drop-down's own search.
    const int index = main.DescriptionList()->findText(item->text(), Qt::MatchFixedString);
    // A camera renamed or deleted since the run is not there any more.
    if (index < 0) return;
    main.DescriptionList()->setCurrentIndex(index);
    main.description_comboClick();
}

} // namespace lumisk
