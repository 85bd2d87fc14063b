#pragma once
// Windows are laid out in fixed pixels: these place a control with its
// component name at its designed position.
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace lumisk {

template <typename W> W* Put(W* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(name);
    w->setGeometry(x, y, width, height);
    return w;
}

// A label sized to its text at (x, y).
inline QLabel* PutLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A button with an optional hint. No dialog makes it its default button; Enter
// reaches it through the window's keys (widgets/windowkeys.h).
inline QPushButton* PutButton(QWidget* parent, const char* name, const char* caption,
                              const char* hint, int x, int y, int w, int h) {
    auto* button = Put(new QPushButton(caption, parent), name, x, y, w, h);
    if (hint) button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

} // namespace lumisk
