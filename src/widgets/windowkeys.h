#pragma once
// The keyboard as the windows share it. The windows are plain widgets, not
// dialogs, so Enter and Escape get a dialog's meaning here:
// - Enter on a focused push button presses it; Enter that no control takes
//   (in a text field, on a check box) presses the window's default button
//   when it has one and it is enabled.
// - Escape that no control takes presses the window's cancel button, or
//   closes the window when it has none (closing hides, as the close box does).
// - In the window's text fields Alt with a key never types: the key belongs
//   to the menus. The window's own shortcut keys reach their shortcuts even
//   where a text field would take them for itself.
// The filter is owned by the window; controls added later are not covered.
#include <QKeySequence>
#include <QList>

class QPushButton;
class QWidget;

namespace lumisk {

struct TWindowKeys {
    QPushButton* Default = nullptr; // pressed by Enter; none: Enter presses only a focused button
    QPushButton* Cancel = nullptr;  // pressed by Escape; none: Escape closes the window
    bool EscapeCloses = true;       // false: Escape does nothing (the main window)
    QList<QKeySequence> Shortcuts;  // the window's own keys, kept from its text fields
};

void UseWindowKeys(QWidget* window, const TWindowKeys& keys);

// A dialog that one button closes: Enter and Escape both press it.
inline void UseDialogKeys(QWidget* window, QPushButton* closeButton) {
    TWindowKeys keys;
    keys.Default = keys.Cancel = closeButton;
    UseWindowKeys(window, keys);
}

} // namespace lumisk
