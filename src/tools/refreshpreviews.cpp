#include "tools/refreshpreviews.h"

#include "catalogue/appstate.h"
#include "imaging/brightness.h"
#include "imaging/imagefile.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpdate.h"
#include "tools/oldpreviewremover.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/tickcount.h"
#include "viewers/viewform.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"

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

void TRefreshPreviews::Stop() { RequestStop(true); }

void TRefreshPreviews::RequestStop(bool enableControls) {
    Button1->setText("Stopping");
    ProcessPendingEvents();
    // The download in progress ends at once; the run notices the flag when
    // that camera is done.
    Forms().MainForm->AbortView();
    stopRequested_ = true;
    SetStatus("Preview update stopped");
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
    IMainWindow& main = *Forms().MainForm;
    // Cleared first, so that a Stop during the clean-up is not forgotten.
    stopRequested_ = false;
    Button1->setText("Stop");
    ListBox1->setEnabled(false);
    updatestyle->setEnabled(false);
    // An error (a dark preview that cannot be decoded, a failed save) ends
    // the run where it happens; the window must still come back to idle.
    struct TIdleOnExit {
        TRefreshPreviews* form;
        ~TIdleOnExit() { form->SetIdle(); }
    } idleOnExit{this};
    const std::int64_t startMs = TickMilliseconds();
    ProcessPendingEvents();

    const int cameras = main.DescriptionList()->count();
    Edit1->setText(Number(cameras));
    updated_ = failed_ = skipped_ = removed_ = 0;
    for (QLineEdit* edit : {Edit2, Edit3, Edit4, Edit5})
        edit->setText("0");
    SetStatus("");
    ListBox1->clear();

    RemoveOldPreviews();
    RefreshCameras(cameras, startMs);

    SetStatus(stopRequested_ ? QString("Preview update stopped")
                             : Edit2->text() + " updated in " +
                                   QString::fromStdString(ClockText(TickMilliseconds() - startMs)));
    ProcessPendingEvents();
    SetIdle();
    ProcessPendingEvents();
    if (App().Catalogue.Count > 0) main.firstbuttonClick();
}

void TRefreshPreviews::RemoveOldPreviews() {
    SetStatus("Removing old preview files");
    ProcessPendingEvents();
    const TCatalogue& catalogue = App().Catalogue;
    std::vector<std::string> descriptions;
    for (std::int32_t i = 1; i <= catalogue.Count; ++i)
        descriptions.push_back(catalogue.Records[static_cast<std::size_t>(i)].Description);
    TOldPreviewRemover(descriptions).Remove(PreviewsDirectory(), [this](std::int32_t removed) {
        removed_ = removed;
        Edit3->setText(Number(removed_));
        ProcessPendingEvents();
    });
}

void TRefreshPreviews::RefreshCameras(int cameras, std::int64_t startMs) {
    IMainWindow& main = *Forms().MainForm;
    if (App().Catalogue.Count > 0) main.firstbuttonClick();
    SetStatus("Refreshing previews");
    ProcessPendingEvents();
    // The run always works on the current camera and steps with Next, so
    // navigating in the main window moves the camera refreshed next.
    for (int k = 1; k <= cameras && !stopRequested_; ++k) {
        const std::string description = main.DescriptionBytes();
        // A Stop between cameras must not start a whole download.
        if (!stopRequested_ && Wanted(description)) {
            main.viewbuttonClick();
            Forms().ViewForm->hide();
            const TAppState& app = App();
            if (app.DownloadFailed) {
                ListBox1->addItem(BytesToDisplay(main.DescriptionBytes()));
                ++failed_;
            } else if (app.DownloadSkipped) {
                ++skipped_;
            } else {
                ++updated_;
            }
            Edit2->setText(Number(updated_));
            Edit4->setText(Number(failed_));
            Edit5->setText(Number(skipped_));
            ProcessPendingEvents();
        }
        if (stopRequested_) break;
        if (main.NextEnabled()) main.nextbuttonClick();
        SetStatus(QString("Refreshed %1 of %2 in %3")
                      .arg(k)
                      .arg(cameras)
                      .arg(QString::fromStdString(ClockText(TickMilliseconds() - startMs))));
        ProcessPendingEvents();
    }
}

bool TRefreshPreviews::Wanted(const std::string& description) const {
    const TUpdateStyle style = Style();
    if (style == TUpdateStyle::AllPreviews) return true;
    // The picture judged is the one the preview panel shows, found the same
    // way: a camera with several preview files is judged by what the user sees.
    const std::string preview = FindPreviewFile(description, TPreviewLookup::Panel);
    const bool hasPreview = preview != PreviewBasePath(description);
    if (style == TUpdateStyle::WithoutPreview) return !hasPreview;
    if (!hasPreview) return false;
    // An undecodable preview throws here and ends the run.
    const std::optional<QImage> picture = DecodeImageFile(preview);
    return picture && AverageBrightness(*picture) < kDarkThreshold;
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
