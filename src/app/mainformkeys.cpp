// The main window's keyboard: its shortcut keys, the text that lists every
// key of the program, and Enter and Alt in its fields. Part of TMainForm,
// kept apart so the window's own file stays readable.
#include "app/mainform.h"

#include "util/services.h"
#include "util/userdialogs.h"
#include "widgets/windowkeys.h"

#include <QMenuBar>
#include <QShortcut>

namespace lumisk {

namespace {

struct TButtonKey {
    QKeyCombination Key;
    QPushButton* TMainFormControls::*Button;
};

// Each presses its button, so a key does exactly what a click does, and
// nothing while the button is disabled (F5 is Abort while a View runs).
const TButtonKey kButtonKeys[] = {
    {Qt::Key_F5, &TMainFormControls::viewbutton},
    {Qt::CTRL | Qt::Key_Home, &TMainFormControls::firstbutton},
    {Qt::CTRL | Qt::Key_End, &TMainFormControls::lastbutton},
    {Qt::CTRL | Qt::Key_PageUp, &TMainFormControls::backbutton},
    {Qt::CTRL | Qt::Key_PageDown, &TMainFormControls::nextbutton},
    {Qt::CTRL | Qt::Key_T, &TMainFormControls::Button1},
};

} // namespace

QString TMainForm::KeyboardShortcutsText() {
    return "Main window\r"
           "  F5 - View (Abort while a View runs)\r"
           "  Ctrl+Home, Ctrl+End - First, Last camera\r"
           "  Ctrl+PgUp, Ctrl+PgDn - Back, Next camera\r"
           "  Ctrl+T - Thumbnail previews\r"
           "  Alt+letter, F10 - Menus (the underlined letter)\r"
           "\r"
           "Thumbnail previews\r"
           "  Arrow keys, Home, End, PgUp, PgDn - Move the frame\r"
           "  Enter - Load the framed camera\r"
           "\r"
           "Image Viewer\r"
           "  Plus, Minus - Zoom in, out\r"
           "  Right, Left - Next, Previous camera\r"
           "  F5 or R - Refresh\r"
           "\r"
           "Everywhere\r"
           "  Enter - Press the focused or the default button\r"
           "  Escape - Close a dialog or tool window";
}

void TMainForm::BuildKeys() {
    TWindowKeys keys;
    keys.EscapeCloses = false;
    for (const TButtonKey& k : kButtonKeys) {
        QPushButton* button = this->*k.Button;
        auto* shortcut = new QShortcut(QKeySequence(k.Key), this);
        connect(shortcut, &QShortcut::activated, button, [button] { button->click(); });
        keys.Shortcuts << QKeySequence(k.Key);
    }
    // F10 opens the first menu, as on other desktops.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(Settings1->menuAction()); });
    UseWindowKeys(this, keys);
}

void TMainForm::Keyboardshortcuts1Click() {
    Services().Dialogs->Information(KeyboardShortcutsText());
}

} // namespace lumisk
