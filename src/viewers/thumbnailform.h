#pragma once
// The thumbnail grid: every camera of the catalogue as a 200 x 200 picture
// made from its preview, in drop-down order, left to right and top to
// bottom. Hovering names the camera in the top panel; a click makes it the
// main window's current camera, hides this window and starts a View.
//
// Created hidden with the other windows and never destroyed; closing hides
// it. The first showing is maximized, later ones keep the state the user
// left. Columns and rows are recomputed only on showing and resizing.
// The keyboard moves a focus frame (arrow keys, Home, End, PgUp, PgDn),
// scrolling to keep it in view and naming its camera in the top panel;
// Enter picks the framed camera as a click does; Escape closes. Each showing
// puts the frame on the main window's current camera, drawn from the first
// key on, so that the grid looks as before to the mouse.
// Thumbnails are built when their cells are first painted and kept in the
// camera records (viewers/thumbnails.h); a handler's errors go to the
// general error report.
#include "viewers/drawgrid.h"
#include "viewers/thumbnailgrid.h"

#include <QLabel>
#include <QWidget>

namespace lumisk {

class TThumbnailForm : public QWidget {
    Q_OBJECT
  public:
    explicit TThumbnailForm(QWidget* parent = nullptr);

    QLabel* Panel1;
    TDrawGrid* DrawGrid1;
    const TThumbnailGrid& Grid() const { return grid_; }

    // Handlers.
    void FormShow();
    void FormResize();
    void DrawGrid1DrawCell(QPainter& painter, int column, int row, const QRect& rect);
    void DrawGrid1MouseMove(QPoint gridPoint);
    void DrawGrid1MouseDown(QPoint gridPoint);
    bool DrawGrid1KeyDown(QKeyEvent* event);
    // The drop-down position that the focus frame is on (-1: none).
    int FocusPosition() const { return focus_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Makes the camera at a drop-down position current and starts its View.
    void Pick(int position);
    void MoveFocus(int position, bool scroll);
    void ShowName(int position);

    TThumbnailGrid grid_;
    int focus_ = -1;
    bool keysUsed_ = false;
};

} // namespace lumisk
