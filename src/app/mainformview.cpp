// The main window's View button, its HTTP events and the preview panel. Part
// of TMainForm, kept apart so the window's own file stays readable.
#include "app/mainform.h"

#include "app/nopreviewpicture.h"
#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "imaging/previewfit.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpclient.h"
#include "retrieval/imageage.h"
#include "retrieval/viewpipeline.h"
#include "tools/statsform.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/textutils.h"
#include "util/tickcount.h"
#include "viewers/thumbnails.h"
#include "viewers/viewform.h"
#include "widgets/forms.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <limits>

namespace lumisk {

void TMainForm::ShowPreview() {
    const std::string path =
        FindPreviewFile(description->Bytes(std::string::npos), TPreviewLookup::Panel);
    const QSize size = PreviewImage->size();
    if (FileExists(path) && FileSizeOf(path) != 0) {
        // Decoded at the smallest scale that still fills the panel: the same
        // picture at a fraction of the cost of a full decode.
        if (std::optional<QImage> picture =
                DecodeImageForThumbnail(path, size.width(), size.height())) {
            QPixmap pixmap(size);
            pixmap.fill(Qt::black);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            const QRect fit =
                AspectFit(picture->width(), picture->height(), size.width(), size.height());
            // A picture decoded whole (not a JPEG) is averaged down first,
            // so that it draws as smoothly as a scaled decode does.
            painter.drawImage(fit, ShrinkAtLeast(*picture, fit.width(), fit.height()));
            painter.end();
            PreviewImage->setPixmap(pixmap);
            PreviewImage->setToolTip("Last successfull download.\nClick to view full size.");
            return;
        }
    }
    PreviewImage->setPixmap(NoPreviewPicture(size, "No preview - Click View"));
    PreviewImage->setToolTip("No preview image available.\nDownload at least one time.");
    if (Forms().ViewForm->isVisible()) Forms().ViewForm->ShowNoPreview();
    DateEdit->SetBytes("");
}

void TMainForm::ShowImageAge() {
    Difference->setText(BytesToDisplay(ImageAgeText(DateEdit->Bytes(std::string::npos))));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // A left click: the left button released over the picture.
    if (watched == PreviewImage && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        PreviewImage->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        RunHandler([this] { PreviewImageClick(); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::PreviewImageClick() {
    Forms().ViewForm->OpenOnCurrentPreview();
}

void TMainForm::viewbuttonClick() {
    ++viewStarts_;
    pipeline_->Run();
}

void TMainForm::AbortView() {
    App().AbortRequested = true;
    HTTP->CloseConnection();
}

void TMainForm::HTTPConnected() {
    ProcessPendingEvents();
}

void TMainForm::HTTPDisconnected() {
    ProcessPendingEvents();
}

void TMainForm::HTTPWorkBegin(TWorkMode, std::int64_t countMax) {
    App().ExpectedDownloadBytes = static_cast<std::int32_t>(
        std::min<std::int64_t>(countMax, std::numeric_limits<std::int32_t>::max()));
    DrawHeldProgress(false);
    progress_.Restart();
}

void TMainForm::HTTPWork(TWorkMode, std::int64_t count) {
    TAppState& app = App();
    // Without an announced length there is no percentage: the bytes so far
    // say that the download is moving.
    std::string text = ByteSizeText(count);
    if (app.ExpectedDownloadBytes > 0)
        text = std::to_string(static_cast<std::int64_t>(static_cast<double>(count) /
                                                        app.ExpectedDownloadBytes * 100.0)) +
               "% - " + text;
    app.CurrentDownloadBytes = static_cast<std::int32_t>(
        std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
    const bool whole = app.ExpectedDownloadBytes > 0 && count >= app.ExpectedDownloadBytes;
    const std::int64_t now = TickMilliseconds();
    if (!progress_.Offer(text, now, whole)) {
        // Drawn when its time comes unless a newer text or another status
        // comes first; the client keeps processing events while it waits.
        if (!progressTimer_) {
            progressTimer_ = new QTimer(this);
            progressTimer_->setSingleShot(true);
            connect(progressTimer_, &QTimer::timeout, this, [this] { DrawHeldProgress(false); });
        }
        progressTimer_->start(static_cast<int>(progress_.HeldDueIn(now).value_or(0)));
        return;
    }
    if (progressTimer_) progressTimer_->stop();
    stats->showMessage(QString::fromStdString(text));
    ProcessPendingEvents();
}

void TMainForm::DrawHeldProgress(bool processEvents) {
    const std::optional<std::string> held = progress_.TakeHeld(TickMilliseconds());
    if (!held) return;
    if (progressTimer_) progressTimer_->stop();
    stats->showMessage(QString::fromStdString(*held));
    if (processEvents) ProcessPendingEvents();
}

void TMainForm::SetStatus(const QString& text) {
    // Drawn as every progress text was, pending events included, before the
    // text that follows the download replaces it.
    DrawHeldProgress(true);
    stats->showMessage(text);
}

void TMainForm::RefreshStatistics() {
    if (TStatsForm* form = Forms().StatsForm) form->RefreshStatistics();
}

void TMainForm::BuildThumbnail(int position) {
    lumisk::BuildThumbnail(position);
}

} // namespace lumisk
