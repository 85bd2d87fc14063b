#include "viewers/thumbnailform.h"

#include "catalogue/appstate.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "viewers/thumbnails.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace lumisk {

namespace {

constexpr int kDesignWidth = 512;
constexpr int kDesignHeight = 419;
constexpr int kPanelHeight = 25;
const QColor kLime(0, 255, 0);
const QString kNoPreview = QStringLiteral("No preview");
// Where "No preview" sits inside its cell.
constexpr int kNoPreviewX = 70;
constexpr int kNoPreviewY = 90;

QComboBox* DescriptionList() {
    IMainWindow* main = Forms().MainForm;
    return main ? main->DescriptionList() : nullptr;
}

int EntryCount() {
    QComboBox* list = DescriptionList();
    return list ? list->count() : 0;
}

} // namespace

TThumbnailForm::TThumbnailForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TThumbnailForm");
    setWindowTitle("Camera thumbnail previews - Click image to load camera");
    setFont(DesignFont());

    Panel1 = new QLabel(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(kPanelHeight);
    Panel1->setAlignment(Qt::AlignCenter);
    // A description is shown as written, never as markup.
    Panel1->setTextFormat(Qt::PlainText);
    Panel1->setFrameShape(QFrame::NoFrame);

    DrawGrid1 = new TDrawGrid(TThumbnailGrid::kCellSize, TThumbnailGrid::kCellSize, this);
    DrawGrid1->setObjectName("DrawGrid1");
    DrawGrid1->SetGridSize(grid_.Columns(), grid_.Rows());
    DrawGrid1->OnDrawCell = [this](QPainter& painter, int column, int row, const QRect& rect) {
        DrawGrid1DrawCell(painter, column, row, rect);
    };
    DrawGrid1->OnMouseMove = [this](QPoint p) { DrawGrid1MouseMove(p); };
    DrawGrid1->OnMouseDown = [this](QPoint p) { RunHandler([&] { DrawGrid1MouseDown(p); }); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(DrawGrid1, 1);

    // Centred at its design size when not maximized; the first showing is.
    QRect frame(0, 0, kDesignWidth, kDesignHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        frame.moveCenter(screen->availableGeometry().center());
    setGeometry(frame);
    setWindowState(Qt::WindowMaximized);
}

void TThumbnailForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming back from minimized is not a new showing.
    if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

void TThumbnailForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) RunHandler([this] { FormResize(); });
}

void TThumbnailForm::FormShow() {
    FormResize();
}

void TThumbnailForm::FormResize() {
    grid_.Layout(DrawGrid1->ClientWidth(), EntryCount());
    DrawGrid1->SetGridSize(grid_.Columns(), grid_.Rows());
    ProcessPendingEvents();
    DrawGrid1->viewport()->update();
}

void TThumbnailForm::DrawGrid1DrawCell(QPainter& painter, int column, int row, const QRect& rect) {
    const int position = grid_.PositionOfCell(column, row);
    EnsureThumbnail(position);
    const TCatalogue& catalogue = App().Catalogue;
    if (position < 0 || position >= catalogue.Count) return;
    const auto& thumbnail = catalogue.Records[static_cast<std::size_t>(position) + 1].thumbnail;
    if (thumbnail) {
        painter.drawImage(rect.topLeft(), *thumbnail);
        return;
    }
    painter.setPen(kLime);
    painter.setFont(font());
    const QRect text(rect.left() + kNoPreviewX, rect.top() + kNoPreviewY,
                     rect.width() - kNoPreviewX, rect.height() - kNoPreviewY);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, kNoPreview);
}

void TThumbnailForm::DrawGrid1MouseMove(QPoint gridPoint) {
    const int position = grid_.PositionAt(gridPoint.x(), gridPoint.y());
    if (position < 0 || position >= EntryCount()) {
        Panel1->clear();
        return;
    }
    // The whole description: "\" and ":" are ordinary characters in a name.
    Panel1->setText(DescriptionList()->itemText(position));
}

void TThumbnailForm::DrawGrid1MouseDown(QPoint gridPoint) {
    const int position = grid_.PositionAt(gridPoint.x(), gridPoint.y());
    if (position < 0 || position >= EntryCount()) return;
    QComboBox* list = DescriptionList();
    // Of cameras whose names differ only in case, the first is loaded.
    const QString name = list->itemText(position);
    int found = -1;
    for (int k = 0; k < list->count() && found < 0; ++k)
        if (list->itemText(k).compare(name, Qt::CaseInsensitive) == 0) found = k;
    if (found < 0) return;
    IMainWindow& main = *Forms().MainForm;
    list->setCurrentIndex(found);
    main.description_comboClick();
    hide();
    main.viewbuttonClick();
}

} // namespace lumisk
