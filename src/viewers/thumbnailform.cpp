#include "viewers/thumbnailform.h"

#include "catalogue/appstate.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "viewers/thumbnails.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"
#include "widgets/windowkeys.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

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
    DrawGrid1->OnKeyPress = [this](QKeyEvent* event) {
        bool handled = false;
        RunHandler([&] { handled = DrawGrid1KeyDown(event); });
        return handled;
    };
    DrawGrid1->setFocusPolicy(Qt::StrongFocus);

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
    UseWindowKeys(this, {});
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
    const QComboBox* list = DescriptionList();
    keysUsed_ = false;
    MoveFocus(list ? std::max(0, list->currentIndex()) : 0, false);
    DrawGrid1->setFocus();
}

void TThumbnailForm::FormResize() {
    grid_.Layout(DrawGrid1->ClientWidth(), EntryCount());
    DrawGrid1->SetGridSize(grid_.Columns(), grid_.Rows());
    // The frame stays on its camera, whose cell moves with the columns.
    MoveFocus(focus_, false);
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
    ShowName(grid_.PositionAt(gridPoint.x(), gridPoint.y()));
}

void TThumbnailForm::ShowName(int position) {
    if (position < 0 || position >= EntryCount()) {
        Panel1->clear();
        return;
    }
    // The whole description: "\" and ":" are ordinary characters in a name.
    Panel1->setText(DescriptionList()->itemText(position));
}

void TThumbnailForm::DrawGrid1MouseDown(QPoint gridPoint) {
    Pick(grid_.PositionAt(gridPoint.x(), gridPoint.y()));
}

void TThumbnailForm::MoveFocus(int position, bool scroll) {
    const int count = EntryCount();
    focus_ = count == 0 ? -1 : std::clamp(position, 0, count - 1);
    if (focus_ < 0 || !keysUsed_) {
        DrawGrid1->SetFocusCell(-1, -1);
        return;
    }
    const int columns = std::max(1, grid_.Columns());
    DrawGrid1->SetFocusCell(focus_ % columns, focus_ / columns);
    if (scroll) DrawGrid1->ScrollToCell(focus_ % columns, focus_ / columns);
}

bool TThumbnailForm::DrawGrid1KeyDown(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) return false;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Pick(focus_);
        return true;
    }
    static const std::pair<int, TGridMove> kMoves[] = {
        {Qt::Key_Left, TGridMove::Left},     {Qt::Key_Right, TGridMove::Right},
        {Qt::Key_Up, TGridMove::Up},         {Qt::Key_Down, TGridMove::Down},
        {Qt::Key_PageUp, TGridMove::PageUp}, {Qt::Key_PageDown, TGridMove::PageDown},
        {Qt::Key_Home, TGridMove::Home},     {Qt::Key_End, TGridMove::End}};
    for (const auto& [key, move] : kMoves) {
        if (event->key() != key) continue;
        keysUsed_ = true;
        const int pageRows = DrawGrid1->ClientHeight() / TThumbnailGrid::kPitch;
        MoveFocus(grid_.Moved(focus_, move, EntryCount(), pageRows), true);
        ShowName(focus_);
        return true;
    }
    return false;
}

void TThumbnailForm::Pick(int position) {
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
