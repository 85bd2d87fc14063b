#include "tools/timelapseform.h"

#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "tools/avibuildform.h"
#include "tools/timelapsegrab.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/lumiskerror.h"
#include "util/numbertext.h"
#include "util/services.h"
#include "util/userdialogs.h"
#include "viewers/viewform.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"
#include "widgets/windowkeys.h"

#include <QEventLoop>
#include <QHideEvent>
#include <QShowEvent>
#include <QTimer>
#include <optional>

namespace lumisk {

namespace {

QLineEdit* PutEdit(QWidget* parent, const char* name, const char* text, int y, bool enabled) {
    auto* edit = Put(new QLineEdit(text, parent), name, 222, y, 70, 21);
    edit->setEnabled(enabled);
    return edit;
}

// The designed controls keep their 300 pixels; the column beside them
// holds what a grab by the second needs.
constexpr int kColumn = 308, kWidth = 532;

QLabel* PutCentred(QWidget* parent, const char* name, const char* text, int y) {
    auto* label = Put(new QLabel(text, parent), name, 0, y, 300, 16);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

} // namespace

TTimeLapseForm::TTimeLapseForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("TTimeLapseForm");
    setWindowTitle("Time Lapse AVI Builder");
    setFont(DesignFont());
    setFixedSize(kWidth, 258);

    Label1 = PutLabel(this, "Label1", "Delay between downloads (minutes)", 8, 10);
    FrameDelay = PutEdit(this, "FrameDelay", "0", 8, true);
    Label4 = PutLabel(this, "Label4", "Maximum frames ( 0=endless )", 8, 36);
    Edit3 = PutEdit(this, "Edit3", "0", 34, true);
    Label2 = PutLabel(this, "Label2", "Total images downloaded", 8, 62);
    Edit1 = PutEdit(this, "Edit1", "0", 60, false);
    Label7 = PutLabel(this, "Label7", "Skipped downloads", 8, 88);
    Edit4 = PutEdit(this, "Edit4", "0", 86, false);
    Label3 = PutLabel(this, "Label3", "Total unique frames downloaded", 8, 114);
    Edit2 = PutEdit(this, "Edit2", "0", 112, false);
    ShowAVIBuilder = Put(new QCheckBox("Show AVI Builder when finished", this), "ShowAVIBuilder", 8,
                         140, 284, 17);
    ShowAVIBuilder->setChecked(true);
    Label5 = PutCentred(this, "Label5", "Disk space used by frames = 0 bytes", 164);
    Label6 = PutCentred(this, "Label6", "Disk space remaining = 0 bytes", 182);
    Button1 = PutButton(this, "Button1", "Start", nullptr, 112, 204, 75, 25);
    Stats = Put(new QStatusBar(this), "Stats", 0, 239, kWidth, 19);
    Stats->setSizeGripEnabled(false);
    Stats->showMessage("Select Image and click Start ...");

    SecondsLabel = PutLabel(this, "SecondsLabel", "plus seconds", kColumn, 10);
    FrameDelaySeconds = Put(new QLineEdit("0", this), "FrameDelaySeconds", kColumn + 70, 8, 50, 21);
    SpacingHint = Put(new QLabel("Downloads of a camera start at least 5 seconds apart, "
                                 "however short the delay.",
                                 this),
                      "SpacingHint", kColumn, 34, kWidth - kColumn - 8, 28);
    SpacingHint->setWordWrap(true);
    FrameDelaySeconds->setToolTip("Seconds to wait on top of the minutes.\nDownloads of a camera "
                                  "start at least 5 seconds apart.");
    CaptureHours = Put(new QCheckBox("Grab only from", this), "CaptureHours", kColumn, 64, 100, 17);
    CaptureFrom = Put(new QLineEdit("06:00", this), "CaptureFrom", kColumn + 104, 62, 44, 21);
    CaptureToLabel = PutLabel(this, "CaptureToLabel", "to", kColumn + 154, 66);
    CaptureTo = Put(new QLineEdit("20:00", this), "CaptureTo", kColumn + 170, 62, 44, 21);
    CaptureHint =
        PutLabel(this, "CaptureHint", "Local time; 22:00 to 06:00 spans midnight.", kColumn, 88);
    StampTime = Put(new QCheckBox("Stamp date and time on frames", this), "StampTime", kColumn, 114,
                    kWidth - kColumn - 8, 17);

    connect(Button1, &QPushButton::clicked, this,
            [this] { RunHandler([this] { Button1Click(); }); });
    UseWindowKeys(this, {});
}

void TTimeLapseForm::SetStatus(const QString& text) {
    Stats->showMessage(text);
}

// Minimising and restoring come as spontaneous hide and show events: they
// neither stop a grab nor reset its counters.
void TTimeLapseForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

void TTimeLapseForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) RunHandler([this] { FormHide(); });
}

void TTimeLapseForm::FormShow() {
    Edit1->setText("0");
    Edit2->setText("0");
    Edit4->setText("0");
    RefreshDiskLabels();
}

void TTimeLapseForm::FormHide() {
    if (Button1->text() == "Stop") Stop();
}

void TTimeLapseForm::RefreshDiskLabels() {
    DiskFigures(TTimeLapseGrab::FramesUsageText(), TTimeLapseGrab::FreeSpaceText());
}

void TTimeLapseForm::Button1Click() {
    if (Button1->text() == "Start")
        Start();
    else
        Stop();
}

void TTimeLapseForm::Stop() {
    Button1->setText("Stopping");
    Forms().MainForm->AbortView();
    Button1->setEnabled(false);
    Button1->setText("Stop");
    engine_.RequestStop();
    HandOver();
}

void TTimeLapseForm::HandOver() {
    if (!ShowAVIBuilder->isChecked()) return;
    hide();
    Forms().AVIBuildForm->show();
}

void TTimeLapseForm::Start() {
    Button1->setText("Stop");
    // However the grab ends, by Stop, by the maximum or by an error, the
    // window is idle again afterwards.
    struct Idle {
        TTimeLapseForm* form;
        ~Idle() {
            form->previews_.reset();
            form->Button1->setText("Start");
            form->Button1->setEnabled(true);
        }
    } idle{this};
    engine_.SpacingMs = GrabSpacingMs;
    ImagesDownloaded = UniqueFrames = SkippedDownloads = 0;
    engine_.Run();
    Button1->setText("Start");
    Button1->setEnabled(true);
    HandOver();
}

bool TTimeLapseForm::DeletePreviousFrames(std::size_t) {
    return Services().Dialogs->Confirm("Previous frame files found.  Do you want to\r"
                                       "delete them prior to starting the frame grab?");
}

void TTimeLapseForm::PreviousFramesDeleted(std::size_t count) {
    Services().Dialogs->Information(
        QString("Deleted %1 previous frames.").arg(static_cast<qsizetype>(count)));
}

std::optional<std::int64_t> TTimeLapseForm::DelayMs() {
    return TTimeLapseGrab::DelayMilliseconds(DisplayToBytes(FrameDelay->text()),
                                             DisplayToBytes(FrameDelaySeconds->text()));
}

std::optional<TCaptureWindow> TTimeLapseForm::CaptureWindow() {
    if (!CaptureHours->isChecked()) return std::nullopt;
    return TCaptureWindow::Parse(DisplayToBytes(CaptureFrom->text()),
                                 DisplayToBytes(CaptureTo->text()));
}

bool TTimeLapseForm::StampFrames() {
    return StampTime->isChecked();
}

std::optional<std::int32_t> TTimeLapseForm::MaximumFrames() {
    const std::string text = DisplayToBytes(Edit3->text());
    if (text == "0") return std::nullopt;
    return StrToInt(text);
}

TGrabDownload TTimeLapseForm::Download() {
    previews_.emplace();
    Forms().MainForm->viewbuttonClick();
    const TAppState& app = App();
    if (app.DownloadSkipped) return TGrabDownload::Skipped;
    if (!app.AbortRequested && !app.DownloadFailed) return TGrabDownload::Image;
    return TGrabDownload::Nothing;
}

QImage TTimeLapseForm::DownloadedPicture() {
    Forms().MainForm->ShowCurrentRecord();
    // The frame is the picture this View fetched, not whichever preview of
    // the camera the viewer opened (an older JPEG before a new PNG). When the
    // View wrote no file (a copy found the same bytes already in place), the
    // viewer's picture stands in.
    if (const std::optional<std::string> downloaded =
            previews_ ? previews_->Written() : std::nullopt) {
        std::optional<QImage> picture = DecodeImageFile(*downloaded);
        if (!picture) throw EFOpenError(*downloaded);
        return *picture;
    }
    return Forms().ViewForm->Picture();
}

void TTimeLapseForm::Pause(std::int64_t milliseconds) {
    // The pause keeps handling events, so Stop is seen within it.
    QEventLoop pause;
    QTimer::singleShot(static_cast<int>(milliseconds), &pause, &QEventLoop::quit);
    pause.exec();
}

void TTimeLapseForm::Status(const std::string& text) {
    SetStatus(BytesToDisplay(text));
}

void TTimeLapseForm::DiskFigures(const std::string& used, const std::string& remaining) {
    Label5->setText(BytesToDisplay(used));
    Label6->setText(BytesToDisplay(remaining));
}

void TTimeLapseForm::SkippedCounted(std::int32_t skipped) {
    Edit4->setText(QString::number(SkippedDownloads = skipped));
}

void TTimeLapseForm::FrameKept(std::int32_t unique, const std::string&) {
    Edit2->setText(QString::number(UniqueFrames = unique));
}

void TTimeLapseForm::ImageCounted(std::int32_t images) {
    Forms().ViewForm->hide();
    Edit1->setText(QString::number(ImagesDownloaded = images));
}

} // namespace lumisk
