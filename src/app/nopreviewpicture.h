#pragma once
// The picture shown where a camera has no usable preview: black, with a
// one-line lime text centred in an 8 point font.
#include "widgets/designfont.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

namespace lumisk {

inline QPixmap NoPreviewPicture(QSize size, const QString& text) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    QFont font = DesignFont();
    painter.setFont(font);
    painter.setPen(QColor(0, 255, 0));
    QFontMetrics metrics(font);
    const int x = (size.width() - metrics.horizontalAdvance(text)) / 2;
    const int y = (size.height() - metrics.height()) / 2;
    painter.drawText(x, y + metrics.ascent(), text);
    return pixmap;
}

} // namespace lumisk
