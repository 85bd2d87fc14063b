#include "viewers/picturecontrol.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

namespace lumisk {

TPictureControl::TPictureControl(QWidget* parent) : QWidget(parent) {}

void TPictureControl::SetPicture(const QImage& picture) {
    picture_ = picture;
    if (!stretched_) resize(picture_.size());
    update();
}

void TPictureControl::SelectNatural() {
    stretched_ = false;
    resize(picture_.size());
    update();
}

void TPictureControl::SelectStretched() {
    stretched_ = true;
    update();
}

void TPictureControl::paintEvent(QPaintEvent*) {
    if (picture_.isNull() || width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    if (stretched_)
        painter.drawImage(QRect(QPoint(0, 0), size()), picture_);
    else
        painter.drawImage(QPoint(0, 0), picture_);
}

void TPictureControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftPressed_ = true;
    event->accept();
}

void TPictureControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool click = leftPressed_ && rect().contains(event->position().toPoint());
    leftPressed_ = false;
    event->accept();
    if (click) emit Clicked();
}

void TPictureControl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    emit MenuRequested(event->globalPos());
}

} // namespace lumisk
