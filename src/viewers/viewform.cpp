#include "viewers/viewform.h"

#include "imaging/bmpwriter.h"
#include "imaging/imagefile.h"
#include "imaging/previewpaths.h"
#include "imaging/wallpaper.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/services.h"
#include "util/urlcredentials.h"
#include "viewers/wallpaperfiles.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"
#include "widgets/windowplacement.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QWheelEvent>
#include <functional>

namespace lumisk {

namespace {

constexpr int kInitialClientWidth = 150;
constexpr int kInitialClientHeight = 162;
constexpr int kButtonWidth = 14;
constexpr int kButtonHeight = 15;
constexpr int kUrlTextHeight = 13;

const char* const kNoPreviewHint = "No preview image available.\nDownload at least one time.";

// Text sizes are given in points on a 96 dots-per-inch canvas, as the
// pictures are drawn for the screen.
int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

TSaveDialogOptions SaveDialogOptions() {
    TSaveDialogOptions options;
    options.Title = "Save image as BMP file";
    options.DefaultExt = "BMP";
    options.FileName = "*.BMP";
    options.Filter = "*.BMP";
#ifdef _WIN32
    options.InitialDir = "c:\\";
#else
    options.InitialDir = QDir::homePath();
#endif
    return options;
}

// Draws onto a 24-bit picture through a painter-friendly format, keeping the
// picture 24-bit for the BMP writer and the frame grabber.
void PaintOn(QImage& picture, const std::function<void(QPainter&)>& paint) {
    if (picture.isNull()) return;
    QImage canvas = picture.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        paint(painter);
    }
    picture = canvas.convertToFormat(QImage::Format_BGR888);
}

QSize TextSize(const QFont& font, const QString& text) {
    QFontMetrics metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

// Text with its cell's top-left corner at origin.
void DrawTextAt(QPainter& painter, QPoint origin, const QString& text) {
    painter.drawText(origin + QPoint(0, painter.fontMetrics().ascent()), text);
}

IMainWindow* Main() {
    return Forms().MainForm;
}

} // namespace

TViewForm::TViewForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      SaveDialog1(SaveDialogOptions()) {
    setObjectName("TViewForm");
    setWindowTitle("Image Viewer");
    setFont(DesignFont());
    BuildControls();
    ConnectHandlers();
    setFixedSize(kInitialClientWidth, kInitialClientHeight);
    LayOut(size());
}

void TViewForm::BuildControls() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(black);

    ScrollBox1 = new QScrollArea(Panel1);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ScrollBox1->setLineWidth(2);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    ScrollBox1->viewport()->setPalette(black);

    Image1 = new TPictureControl();
    Image1->setObjectName("Image1");
    ScrollBox1->setWidget(Image1);
    Image1->move(0, 0);

    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameShape(QFrame::NoFrame);

    urltext = new QLabel("url", Panel2);
    urltext->setObjectName("urltext");
    urltext->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    descriptiontext = new QLabel("description", Panel2);
    descriptiontext->setObjectName("descriptiontext");
    descriptiontext->setAlignment(Qt::AlignCenter);

    auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(caption, Panel2);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->resize(kButtonWidth, kButtonHeight);
        return b;
    };
    Button3 = button("Button3", "R", "Refresh");
    Button2 = button("Button2", "<", "Previous Camera");
    Button1 = button("Button1", ">", "Next camera");

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto item = [this](const char* name, const char* caption) {
        QAction* a = PopupMenu1->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    // "&" marks each item's access key; the text shown is without it.
    SaveAsBMP1 = item("SaveAsBMP1", "&Save As BMP ...");
    SetAsWallpaperCentered1 = item("SetAsWallpaperCentered1", "Set As Wallpaper (&Centered)");
    SetAsWallpaperTiled1 = item("SetAsWallpaperTiled1", "Set As Wallpaper (&Tiled)");
    Zoom1 = item("Zoom1", "Zoom &In");
    ZoomOut1 = item("ZoomOut1", "Zoom &Out");
    FitToWindow1 = item("FitToWindow1", "&Fit to window");
    FitToWindow1->setCheckable(true);
    Close1 = item("Close1", "C&lose");

    // The wheel zooms wherever it is turned over the viewer; the scroll box
    // would otherwise take it for scrolling.
    for (QObject* o : std::initializer_list<QObject*>{Image1, ScrollBox1->viewport(),
                                                      ScrollBox1->horizontalScrollBar(),
                                                      ScrollBox1->verticalScrollBar()})
        o->installEventFilter(this);
}

void TViewForm::ConnectHandlers() {
    auto on = [this](auto* sender, auto signal, void (TViewForm::*handler)()) {
        connect(sender, signal, this, [this, handler] { RunHandler([&] { (this->*handler)(); }); });
    };
    on(Button1, &QPushButton::clicked, &TViewForm::Button1Click);
    on(Button2, &QPushButton::clicked, &TViewForm::Button2Click);
    on(Button3, &QPushButton::clicked, &TViewForm::Button3Click);
    on(Image1, &TPictureControl::Clicked, &TViewForm::Image1Click);
    on(SaveAsBMP1, &QAction::triggered, &TViewForm::SaveAsBMP1Click);
    on(SetAsWallpaperCentered1, &QAction::triggered, &TViewForm::SetAsWallpaperCentered1Click);
    on(SetAsWallpaperTiled1, &QAction::triggered, &TViewForm::SetAsWallpaperTiled1Click);
    on(Zoom1, &QAction::triggered, &TViewForm::Zoom1Click);
    on(ZoomOut1, &QAction::triggered, &TViewForm::ZoomOut1Click);
    on(FitToWindow1, &QAction::triggered, &TViewForm::FitToWindow1Click);
    on(Close1, &QAction::triggered, &TViewForm::Close1Click);
    connect(Image1, &TPictureControl::MenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(at); });
    BuildKeys();
}

void TViewForm::BuildKeys() {
    // The menu's keys work while the viewer is the active window.
    Zoom1->setShortcuts({Qt::Key_Plus, Qt::Key_Equal});
    ZoomOut1->setShortcut(Qt::Key_Minus);
    Close1->setShortcut(Qt::Key_Escape);
    addActions({Zoom1, ZoomOut1, Close1});
    // Stepping by key leaves the mouse pointer where it is.
    auto key = [this](const QList<QKeySequence>& keys, const std::function<void()>& handler) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        addAction(action);
        connect(action, &QAction::triggered, this, [handler] { RunHandler(handler); });
    };
    key({Qt::Key_Right}, [this] { StepCamera(true, false); });
    key({Qt::Key_Left}, [this] { StepCamera(false, false); });
    key({Qt::Key_F5, Qt::Key_R}, [this] { Button3Click(); });
}

// ---- Geometry --------------------------------------------------------------

QSize TViewForm::FrameExtra() const {
    // Before the first showing the frame is not known yet: a large picture
    // is fitted to the frame the window will most likely get.
    const QMargins margins = TWindowPlacement::FrameMargins(this);
    return QSize(margins.left() + margins.right(), margins.top() + margins.bottom())
        .expandedTo(QSize(0, 0));
}

TViewerLayout TViewForm::Layout() const {
    TViewerMetrics metrics;
    if (QScreen* s = screen()) {
        metrics.Screen = s->geometry();
        metrics.WorkArea = s->availableGeometry();
    } else {
        metrics.Screen = metrics.WorkArea = QRect(0, 0, 1024, 768);
    }
    metrics.ScrollBarExtent =
        ScrollBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBox1);
    metrics.ScrollBoxFrame = ScrollBox1->frameWidth();
    metrics.FrameExtra = FrameExtra();
    return TViewerLayout(metrics);
}

void TViewForm::LayOut(QSize client) {
    const int panel1Height = std::max(0, client.height() - TViewerLayout::kCaptionPanelHeight);
    Panel1->setGeometry(0, 0, client.width(), panel1Height);
    ScrollBox1->setGeometry(0, 0, client.width(), panel1Height);
    Panel2->setGeometry(0, panel1Height, client.width(), TViewerLayout::kCaptionPanelHeight);
    urltext->setGeometry(0, 0, client.width(), kUrlTextHeight);
    descriptiontext->setGeometry(0, kUrlTextHeight, client.width(),
                                 TViewerLayout::kCaptionPanelHeight - kUrlTextHeight);
    FormResize();
}

void TViewForm::FormResize() {
    // "R", "<", ">" from left to right in the bottom-right corner.
    const int w = Panel2->width();
    const int h = Panel2->height();
    Button1->move(w - Button1->width(), h - Button1->height());
    Button2->move(w - Button1->width() - Button2->width(), h - Button2->height());
    Button3->move(w - Button1->width() - Button2->width() - Button3->width(),
                  h - Button3->height());
}

void TViewForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut(event->size());
}

void TViewForm::showEvent(QShowEvent* event) {
    // Every time the viewer appears it is centred; a window system's own
    // re-showing (after minimising) leaves it where it was.
    if (!event->spontaneous()) TWindowPlacement::Place(this, TPlacement::Centred);
    QWidget::showEvent(event);
}

void TViewForm::SizeToImage() {
    const TViewerFit fit = Layout().Fit(Image1->size());
    setFixedSize(fit.Client);
    LayOut(fit.Client);
    if (fit.Left || fit.Top) move(fit.Left.value_or(x()), fit.Top.value_or(y()));
}

void TViewForm::ResetScrollPosition() {
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    Image1->move(0, 0);
}

// ---- Opening ---------------------------------------------------------------

void TViewForm::CopyCaptions() {
    if (IMainWindow* main = Main()) {
        urltext->setText(BytesToDisplay(WithoutCredentials(DisplayToBytes(main->UrlText()))));
        descriptiontext->setText(main->DescriptionText());
    }
}

void TViewForm::OpenOnCurrentPreview() {
    IMainWindow* main = Main();
    if (!main) return;
    const std::string path = FindPreviewFile(main->DescriptionBytes(), TPreviewLookup::Panel);
    if (!FileExists(path) || FileSizeOf(path) == 0) return;

    ResetScrollPosition();
    Image1->SelectNatural();
    // A file whose ending names no decoder leaves an empty picture.
    std::optional<QImage> decoded = DecodeImageFile(path);
    Image1->SetPicture(decoded ? *decoded : QImage());
    if (FitToWindow1->isChecked()) ApplyFit();
    Image1->setToolTip(QString());
    SizeToImage();
    CopyCaptions();
    show();
    raise();
    Image1->SetPicture(Image1->Picture().convertToFormat(QImage::Format_BGR888));
}

void TViewForm::ShowNoPreview() {
    const QSize control = Image1->size().expandedTo(QSize(0, 0));
    QImage picture(control, QImage::Format_BGR888);
    picture.fill(Qt::black);
    PaintOn(picture, [&](QPainter& painter) {
        QFont font = DesignFont();
        font.setPixelSize(PointsToPixels(8));
        painter.setFont(font);
        const QString text = "No preview - Click Refresh";
        painter.setPen(QColor(0, 255, 0));
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::black);
        DrawTextAt(painter, TViewerLayout::CentredText(control, TextSize(font, text)), text);
    });
    Image1->SetPicture(picture);
    Image1->setToolTip(kNoPreviewHint);
    CopyCaptions();
}

// ---- Closing ---------------------------------------------------------------

void TViewForm::Image1Click() {
    hide();
    if (IMainWindow* main = Main()) main->Activate();
}

void TViewForm::Close1Click() {
    Image1Click();
}

// ---- Zoom ------------------------------------------------------------------

void TViewForm::Zoom(QSize (*step)(QSize)) {
    if (FitToWindow1->isChecked()) return;
    hide();
    Image1->SelectStretched();
    ResetScrollPosition();
    Image1->resize(step(Image1->size()));
    SizeToImage();
    show();
}

void TViewForm::Zoom1Click() {
    Zoom(&TViewerLayout::ZoomedIn);
}

void TViewForm::ZoomOut1Click() {
    Zoom(&TViewerLayout::ZoomedOut);
}

void TViewForm::ApplyFit() {
    if (!FitToWindow1->isChecked()) {
        Image1->SelectNatural();
        return;
    }
    Image1->SelectStretched();
    Image1->resize(Layout().FittedControl(Image1->Picture().size()));
}

void TViewForm::FitToWindow1Click() {
    const bool fit = FitToWindow1->isChecked();
    Zoom1->setEnabled(!fit);
    ZoomOut1->setEnabled(!fit);
    // Shown again at its new size, centred as after a zoom.
    const bool shown = isVisible();
    if (shown) hide();
    ResetScrollPosition();
    ApplyFit();
    SizeToImage();
    if (shown) show();
}

void TViewForm::FormMouseWheel(int delta) {
    if (TViewerLayout::WheelZoomsIn(delta))
        Zoom1Click();
    else
        ZoomOut1Click();
}

bool TViewForm::HandleWheel(QWheelEvent* event) {
    event->accept();
    // A touchpad's begin and end markers and a sideways wheel carry no turn
    // of the wheel; only a vertical turn zooms.
    const QPoint angle = event->angleDelta();
    if (angle.y() == 0 && (angle.x() != 0 || event->phase() != Qt::NoScrollPhase)) return true;
    // Touchpads and fine wheels send many small turns: one zoom step per
    // notch's worth (120) of turning, not one per event.
    wheelTurn_ += angle.y();
    while (wheelTurn_ >= 120 || wheelTurn_ <= -120) {
        const int notch = wheelTurn_ > 0 ? 120 : -120;
        wheelTurn_ -= notch;
        RunHandler([&] { FormMouseWheel(notch); });
    }
    return true;
}

void TViewForm::wheelEvent(QWheelEvent* event) {
    HandleWheel(event);
}

bool TViewForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) return HandleWheel(static_cast<QWheelEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

// ---- Cameras ---------------------------------------------------------------

void TViewForm::StepCamera(bool next, bool movePointer) {
    IMainWindow* main = Main();
    if (!main) return;
    if (!(next ? main->NextEnabled() : main->BackEnabled())) return;
    if (next)
        main->nextbuttonClick();
    else
        main->backbuttonClick();
    OpenOnCurrentPreview();
    // The window may have changed size: put the pointer back on the button
    // just pressed so that the user can keep clicking.
    QPushButton* pressed = next ? Button1 : Button2;
    if (movePointer) QCursor::setPos(pressed->mapToGlobal(pressed->rect().center()));
    CopyCaptions();
}

void TViewForm::Button1Click() {
    StepCamera(true, true);
}

void TViewForm::Button2Click() {
    StepCamera(false, true);
}

void TViewForm::DrawDownloading() {
    QImage picture = Image1->Picture();
    PaintOn(picture, [&](QPainter& painter) {
        QFont font = DesignFont();
        font.setPixelSize(PointsToPixels(14));
        painter.setFont(font);
        const QString text = "Downloading ...";
        // Centred on the control, whatever the zoom: the text lands where
        // the control's middle falls on the picture.
        const QPoint c = TViewerLayout::CentredText(Image1->size(), TextSize(font, text));
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.setPen(Qt::black);
        for (QPoint offset : {QPoint(1, 1), QPoint(-1, -1), QPoint(-1, 1), QPoint(1, -1)})
            DrawTextAt(painter, c + offset, text);
        painter.setPen(QColor(0, 255, 0));
        DrawTextAt(painter, c, text);
    });
    Image1->SetPicture(picture);
}

void TViewForm::Button3Click() {
    DrawDownloading();
    if (IMainWindow* main = Main()) main->viewbuttonClick();
    OpenOnCurrentPreview();
}

// ---- Saving ----------------------------------------------------------------

void TViewForm::SaveAsBMP1Click() {
    IUserDialogs* dialogs = Services().Dialogs;
    if (!dialogs) return;
    const std::optional<QString> name = dialogs->SaveFile(SaveDialog1);
    if (!name) return;
    SaveImageAsBitmap(Image1->Picture(), QFile::encodeName(*name).toStdString());
    // As written: file names here are case-sensitive, so an upper-cased
    // path would name a file that does not exist.
    dialogs->Information("Image has been saved to " + *name);
}

void TViewForm::SetWallpaper(bool tiled) {
    SetDesktopWallpaper(SaveWallpaperFile(Image1->Picture()), tiled);
}

void TViewForm::SetAsWallpaperCentered1Click() {
    SetWallpaper(false);
}

void TViewForm::SetAsWallpaperTiled1Click() {
    SetWallpaper(true);
}

} // namespace lumisk
