#pragma once
// A picture shown in a window, in one of two modes: natural (the control
// takes the picture's size and shows it 1:1 from its top-left corner) or
// stretched (the control keeps the size it is given and the picture is
// scaled to fill it). Only the visible part is drawn, so a greatly enlarged
// control costs no memory. A left click (press and release over the control)
// emits Clicked; a right click (or the menu key) emits MenuRequested with the screen point.
// The picture is held as given; the owner chooses its format.
#include <QImage>
#include <QWidget>

namespace lumisk {

class TPictureControl : public QWidget {
    Q_OBJECT
  public:
    explicit TPictureControl(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    // Replaces the picture; in natural mode the control takes its size.
    void SetPicture(const QImage& picture);

    // Natural mode: not stretched, sized to the picture.
    void SelectNatural();
    // Stretched mode: the control's size is set by the owner from now on.
    void SelectStretched();
    bool Stretched() const { return stretched_; }

  signals:
    void Clicked();
    void MenuRequested(const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QImage picture_;
    bool stretched_ = false;
    bool leftPressed_ = false;
};

} // namespace lumisk
