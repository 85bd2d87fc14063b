#pragma once
// The windows are laid out in fixed pixels for an 8 point sans-serif font of
// 11 pixels; a metric-compatible narrow font keeps every caption inside its
// control.
#include <QFont>

namespace lumisk {

inline QFont DesignFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// For a dialog whose designed controls leave its captions no room to spare.
inline QFont DesignNarrowFont() {
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

} // namespace lumisk
