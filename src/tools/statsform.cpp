#include "tools/statsform.h"

#include "catalogue/appstate.h"
#include "imaging/previewfolder.h"
#include "tools/statisticstexts.h"
#include "util/errorreport.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/windowkeys.h"

#include <QShowEvent>

namespace lumisk {

namespace {
// Every line ends at this x; its text grows to the left.
constexpr int kRightEdge = 169;
constexpr int kLineWidth = 165;
constexpr int kLineHeight = 13;

QLabel* PutLine(QWidget* parent, const char* name, const std::string& text, int top) {
    auto* label = Put(new QLabel(QString::fromStdString(text), parent), name,
                      kRightEdge - kLineWidth, top, kLineWidth, kLineHeight);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}
} // namespace

TStatsForm::TStatsForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("TStatsForm");
    setWindowTitle("Statistics");
    setFixedSize(174, 92);
    setFont(DesignFont());

    Panel1 = Put(new QFrame(this), "Panel1", 0, 0, 174, 92);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    const TStatisticsTexts texts = TStatisticsTexts::DesignTime();
    Label2 = PutLine(Panel1, "Label2", texts.SessionBytes, 8);
    Label1 = PutLine(Panel1, "Label1", texts.TotalBytes, 24);
    Label3 = PutLine(Panel1, "Label3", texts.SessionImages, 40);
    Label4 = PutLine(Panel1, "Label4", texts.TotalImages, 56);
    Label5 = PutLine(Panel1, "Label5", texts.PreviewDiskSpace, 72);
    UseWindowKeys(this, {});
}

void TStatsForm::RefreshStatistics() {
    // The previews folder is walked only when it changed behind the
    // program's back; its own writes keep the figure current, so a download
    // (a whole batch refresh, maybe) costs no walk.
    SetTexts(PreviewFolder().DiskSpace());
}

void TStatsForm::SetTexts(std::int64_t previewDiskSpace) {
    const TAppState& app = App();
    const TStatisticsTexts texts = TStatisticsTexts::Build(
        {app.TotalBytes, app.SessionBytes, app.TotalImages, app.SessionImages}, previewDiskSpace);
    Label1->setText(QString::fromStdString(texts.TotalBytes));
    Label2->setText(QString::fromStdString(texts.SessionBytes));
    Label3->setText(QString::fromStdString(texts.SessionImages));
    Label4->setText(QString::fromStdString(texts.TotalImages));
    Label5->setText(QString::fromStdString(texts.PreviewDiskSpace));
}

void TStatsForm::FormShow() {
    // Whatever changed unseen (a file rewritten in place, a subdirectory)
    // counts from the moment the window is shown.
    SetTexts(PreviewFolder().WalkDiskSpace());
}

void TStatsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

} // namespace lumisk
