#include "app/about.h"

#include "catalogue/appstate.h"
#include "util/datadirectory.h"
#include "util/services.h"
#include "util/shellopener.h"
#include "widgets/designfont.h"
#include "widgets/windowkeys.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace lumisk {

namespace {
QPixmap AboutPicture(int w, int h) {
    QPixmap pixmap(w, h);
    QPainter p(&pixmap);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(20, 30, 80));
    sky.setColorAt(1, QColor(230, 140, 60));
    p.fillRect(0, 0, w, h, sky);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(36);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 20, w, 50), Qt::AlignCenter, "Lumisk");
    // A camera lens.
    p.setBrush(QColor(10, 10, 10));
    p.drawEllipse(QPoint(w / 2, 110), 28, 28);
    p.setBrush(QColor(60, 90, 160));
    p.drawEllipse(QPoint(w / 2, 110), 14, 14);
    return pixmap;
}
} // namespace

TAbout::TAbout(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("TAbout");
    setWindowTitle("About");
    setFixedSize(300, 278);
    setFont(DesignFont());

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, 300, 278);
    Image1->setPixmap(AboutPicture(300, 278));

    Version = new QLabel(QString::fromLatin1(VersionLine), this);
    Version->setObjectName("VersionLine");
    Version->setGeometry(10, 150, 280, 16);
    Version->setAlignment(Qt::AlignCenter);
    Version->setStyleSheet("color: white;");

    Credits = new QLabel("Written by the Lumisk developers.\n"
                         "JPEG support from the IJG libjpeg; PNG from libpng and zlib.",
                         this);
    Credits->setObjectName("Credits");
    // The whole width: the longer credit line needs nearly all of it.
    Credits->setGeometry(0, 170, 300, 32);
    Credits->setAlignment(Qt::AlignCenter);
    Credits->setStyleSheet("color: white;");

    Link = new QLabel(QString("<a href=\"%1\" style=\"color: white;\">%1</a>").arg(WebPage), this);
    Link->setObjectName("Link");
    Link->setGeometry(10, 204, 280, 16);
    Link->setAlignment(Qt::AlignCenter);
    Link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    Link->setOpenExternalLinks(false);
    connect(Link, &QLabel::linkActivated, this, [this](const QString&) { LinkClick(); });

    DataFolder = new QLabel(this);
    DataFolder->setObjectName("DataFolder");
    DataFolder->setGeometry(10, 222, 280, 16);
    DataFolder->setAlignment(Qt::AlignCenter);
    DataFolder->setStyleSheet("color: white;");
    ShowDataFolder();

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(112, 246, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    UseDialogKeys(this, OKButton);
}

void TAbout::ShowDataFolder() {
    QString folder = QString::fromLocal8Bit(DataDirectory().c_str());
    if (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    const QString text = "Data folder: " + folder;
    // A long path keeps its start and its end; the whole of it is the tip.
    DataFolder->setText(
        DataFolder->fontMetrics().elidedText(text, Qt::ElideMiddle, DataFolder->width()));
    DataFolder->setToolTip(folder);
}

void TAbout::showEvent(QShowEvent* event) {
    ShowDataFolder();
    QWidget::showEvent(event);
}

void TAbout::LinkClick() {
    if (auto* shell = Services().Shell) shell->Open(QString::fromLatin1(WebPage));
}

void TAbout::OKButtonClick() {
    hide();
}

} // namespace lumisk
