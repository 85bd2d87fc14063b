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
            painter.drawImage(AspectFit(picture->width(), picture->height(), size.width(),
                                        size.height()),
                              *picture);
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

void TMainForm::PreviewImageClick() { Forms().ViewForm->OpenOnCurrentPreview(); }

void TMainForm::viewbuttonClick() {
    ++viewStarts_;
    pipeline_->Run();
}

void TMainForm::AbortView() {
    App().AbortRequested = true;
    HTTP->CloseConnection();
}

void TMainForm::HTTPConnected() { ProcessPendingEvents(); }

void TMainForm::HTTPDisconnected() { ProcessPendingEvents(); }

void TMainForm::HTTPWorkBegin(TWorkMode, std::int64_t countMax) {
    App().ExpectedDownloadBytes = static_cast<std::int32_t>(
        std::min<std::int64_t>(countMax, std::numeric_limits<std::int32_t>::max()));
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
    SetStatus(QString::fromStdString(text));
    app.CurrentDownloadBytes = static_cast<std::int32_t>(
        std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
    ProcessPendingEvents();
}

void TMainForm::RefreshStatistics() {
    if (TStatsForm* form = Forms().StatsForm) form->RefreshStatistics();
}

void TMainForm::BuildThumbnail(int position) { lumisk::BuildThumbnail(position); }

} // namespace lumisk
