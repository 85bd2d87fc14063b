#include "tools/avibuildform.h"

#include "util/datadirectory.h"
#include "util/errorreport.h"
#include "util/fileutils.h"
#include "util/numbertext.h"
#include "util/services.h"
#include "util/shellopener.h"
#include "util/userdialogs.h"
#include "widgets/controlplacement.h"
#include "widgets/designfont.h"
#include "widgets/windowkeys.h"

#include <QFile>
#include <QShowEvent>

namespace lumisk {

namespace {
constexpr int kClientWidth = 337;
// The movie format's row lies below the preview.
constexpr int kClientHeight = 391;
constexpr int kStatusHeight = 19;
} // namespace

TAVIBuildForm::TAVIBuildForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("TAVIBuildForm");
    setWindowTitle("AVI Builder");
    setFont(DesignFont());
    setFixedSize(kClientWidth, kClientHeight);

    Label5 = PutLabel(this, "Label5", "Target file name", 8, 8);
    TargetFileName = Put(new QLineEdit(this), "TargetFileName", 8, 24, 321, 21);
    Label4 = PutLabel(this, "Label4", "Frames per second", 8, 54);
    AVIFPS = Put(new QLineEdit("15", this), "AVIFPS", 8, 70, 65, 21);
    delframes =
        Put(new QCheckBox("Delete frames after build", this), "delframes", 110, 56, 160, 17);
    delframes->setChecked(true);
    CheckBox1 = Put(new QCheckBox("View AVI after build", this), "CheckBox1", 110, 76, 160, 17);
    CheckBox1->setChecked(true);
    Button1 = PutButton(this, "Button1", "Build", nullptr, 262, 62, 67, 25);

    Panel1 = Put(new QFrame(this), "Panel1", 8, 104, 321, 231);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(black);
    PreviewImage = Put(new TPictureControl(Panel1), "PreviewImage", 2, 2, 317, 227);
    PreviewImage->SelectStretched();

    Label6 = PutLabel(this, "Label6", "Movie format", 8, 347);
    MovieFormat = Put(new QComboBox(this), "MovieFormat", 80, 343, 129, 21);
    MovieFormat->addItems({"AVI (uncompressed)", "MP4 (H.264)"});
    MovieFormat->setToolTip("AVI: every frame as it is, large files.\n"
                            "MP4: small files that phones and web pages play.");
    Label7 = PutLabel(this, "Label7", "Quality (CRF)", 222, 347);
    MP4CRF = Put(new QLineEdit("23", this), "MP4CRF", 296, 343, 33, 21);
    MP4CRF->setToolTip("MP4 quality from 0 to 51: lower is better and larger; 23 suits most");
    Label7->setEnabled(false);
    MP4CRF->setEnabled(false);

    stats = Put(new QStatusBar(this), "stats", 0, kClientHeight - kStatusHeight, kClientWidth,
                kStatusHeight);
    stats->setSizeGripEnabled(false);

    connect(Button1, &QPushButton::clicked, this,
            [this] { RunHandler([this] { Button1Click(); }); });
    connect(MovieFormat, &QComboBox::currentIndexChanged, this,
            [this] { RunHandler([this] { MovieFormatChange(); }); });
    UseWindowKeys(this, {});
}

std::string TAVIBuildForm::TargetPath() const {
    return QFile::encodeName(TargetFileName->text()).toStdString();
}

void TAVIBuildForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

TMovieKind TAVIBuildForm::Kind() const {
    return MovieFormat->currentIndex() == 1 ? TMovieKind::Mp4 : TMovieKind::Avi;
}

void TAVIBuildForm::FormShow() {
    ProposeName();
}

void TAVIBuildForm::ProposeName() {
    // Emptied first: when no numbered name is left, the name proposed before
    // must not stay, or the next build would write over that movie.
    TargetFileName->clear();
    proposed_.clear();
    proposed_ = QFile::decodeName(TAviBuilder::NextMovieName(DataDirectory(), Kind()).c_str());
    TargetFileName->setText(proposed_);
}

void TAVIBuildForm::MovieFormatChange() {
    const TMovieKind before = shownKind_;
    shownKind_ = Kind();
    const bool mp4 = shownKind_ == TMovieKind::Mp4;
    Label7->setEnabled(mp4);
    MP4CRF->setEnabled(mp4);
    CheckBox1->setText(mp4 ? "View MP4 after build" : "View AVI after build");
    if (before == shownKind_) return;
    const QString typed = TargetFileName->text();
    if (typed == proposed_) {
        ProposeName();
        return;
    }
    // A name of the user's own keeps its stem; only a movie extension of the
    // other format is swapped, in the letter case it was typed in.
    const QString old = "." + QString::fromStdString(TAviBuilder::KindName(before));
    if (!typed.endsWith(old, Qt::CaseInsensitive)) return;
    const QString extension = QString::fromStdString(TAviBuilder::KindName(shownKind_));
    const bool lower = typed.right(3) == typed.right(3).toLower();
    TargetFileName->setText(typed.left(typed.size() - 3) +
                            (lower ? extension.toLower() : extension));
}

void TAVIBuildForm::Button1Click() {
    // The build processes events, so a second click (a double-click) would
    // otherwise start a second build of the same movie inside the first.
    if (building_) return;
    building_ = true;
    // The format stays as it is until the build ends: choosing another one
    // proposes another name, and the movie opened afterwards is the one
    // the field names.
    MovieFormat->setEnabled(false);
    struct TDone {
        TAVIBuildForm& form;
        ~TDone() {
            form.building_ = false;
            form.MovieFormat->setEnabled(true);
        }
    } done{*this};
    const int framesPerSecond = StrToInt(AVIFPS->text().toStdString());
    const int crf = Kind() == TMovieKind::Mp4 ? StrToInt(MP4CRF->text().toStdString()) : 23;
    BuildMovie(framesPerSecond, crf);
    // The movie is opened whatever the build's outcome; a missing file is
    // the viewer's to report.
    if (CheckBox1->isChecked() && Services().Shell) Services().Shell->Open(TargetFileName->text());
}

void TAVIBuildForm::BuildMovie(int framesPerSecond, int crf) {
    TAviBuildCallbacks callbacks;
    callbacks.Status = [this](const std::string& text) {
        if (text.empty())
            stats->clearMessage();
        else
            stats->showMessage(QString::fromStdString(text));
    };
    callbacks.Preview = [this](const QImage& frame) { PreviewImage->SetPicture(frame); };
    callbacks.ErrorBox = [](const std::string& text) {
        if (Services().Dialogs) Services().Dialogs->Error(QString::fromStdString(text));
    };
    callbacks.DeleteFrames = [this] { return delframes->isChecked(); };
    TAviBuilder builder(callbacks);
    builder.Kind = Kind();
    builder.Crf = crf;
    builder.Build(DataPath("Frames/"), TargetPath(), framesPerSecond);
}

} // namespace lumisk
