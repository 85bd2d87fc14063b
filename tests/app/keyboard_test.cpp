// The keyboard: the main window's keys, the menus' access keys (also from a
// text field, which never types them), and Enter and Escape in the dialogs
// and tool windows.
#include "support/mainformfixture.h"
#include "viewers/thumbnailform.h"
#include "viewers/viewform.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>

using namespace lumisk;
using namespace lumisk::test;

class Keyboard : public MainFormFixture {
  protected:
    void StartAt(int camera) {
        // Views fail at once: nothing listens on port 9.
        std::vector<TCamera> cameras;
        for (int i = 1; i <= 5; ++i)
            cameras.push_back(
                {"Cam " + std::to_string(i), "http://127.0.0.1:9/c.jpg", "", "5", ""});
        WriteCatalogue(cameras);
        WriteKnownVersion();
        Start();
        Main().description_combo->setCurrentIndex(camera - 1);
        Main().description_comboClick();
        Activate(&Main());
    }
    void Activate(QWidget* window) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
};

// ---- The main window's keys and its menus ---------------------------------------

struct MainKeyCase {
    const char* name;
    QKeyCombination key;
    const char* focus; // the control with the focus
    int from, current, views;
    const char* popup; // the menu opened ("" none; "grid" the thumbnail grid shown)
};

class MainWindowKeys : public Keyboard, public testing::WithParamInterface<MainKeyCase> {};

TEST_P(MainWindowKeys, DoWhatTheirButtonsAndMenusDoAndNeverType) {
    const MainKeyCase& c = GetParam();
    StartAt(c.from);
    auto* target = Main().findChild<QWidget*>(c.focus);
    target->setFocus();
    const QString address = Main().url->text();
    QTest::keyClick(target, c.key.key(), c.key.keyboardModifiers());
    EXPECT_EQ(App().Catalogue.Current, c.current);
    EXPECT_EQ(Main().ViewStarts(), c.views);
    QWidget* popup = QApplication::activePopupWidget();
    QString opened = popup ? popup->objectName() : "";
    if (Forms().ThumbnailForm->isVisible()) opened = "grid";
    EXPECT_EQ(opened, c.popup);
    if (popup) popup->close();
    if (c.current == c.from) {
        EXPECT_EQ(Main().url->text(), address);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainWindowKeys,
    testing::Values(
        // A text field keeps Ctrl+Home for itself unless the window claims it.
        MainKeyCase{"ctrl_home_first_from_the_address", Qt::CTRL | Qt::Key_Home, "url", 4, 1, 0,
                    ""},
        MainKeyCase{"ctrl_end_last", Qt::CTRL | Qt::Key_End, "viewbutton", 2, 5, 0, ""},
        MainKeyCase{"ctrl_pgup_back", Qt::CTRL | Qt::Key_PageUp, "viewbutton", 3, 2, 0, ""},
        MainKeyCase{"ctrl_pgdn_next", Qt::CTRL | Qt::Key_PageDown, "url", 3, 4, 0, ""},
        MainKeyCase{"f5_views", QKeyCombination(Qt::Key_F5), "url", 2, 2, 1, ""},
        MainKeyCase{"enter_presses_the_focused_button", QKeyCombination(Qt::Key_Return),
                    "viewbutton", 2, 2, 1, ""},
        MainKeyCase{"ctrl_t_thumbnail_grid", Qt::CTRL | Qt::Key_T, "url", 1, 1, 0, "grid"},
        MainKeyCase{"alt_s_settings", Qt::ALT | Qt::Key_S, "url", 1, 1, 0, "Settings1"},
        MainKeyCase{"alt_f_favorites", Qt::ALT | Qt::Key_F, "url", 1, 1, 0, "Favourites1"},
        MainKeyCase{"alt_t_time_lapse", Qt::ALT | Qt::Key_T, "url", 1, 1, 0, "Movie1"},
        MainKeyCase{"alt_u_utilities", Qt::ALT | Qt::Key_U, "url", 1, 1, 0, "Utilities1"},
        MainKeyCase{"alt_h_help", Qt::ALT | Qt::Key_H, "url", 1, 1, 0, "Help1"},
        MainKeyCase{"alt_q_no_menu_and_no_text", Qt::ALT | Qt::Key_Q, "url", 1, 1, 0, ""},
        MainKeyCase{"f10_the_first_menu", QKeyCombination(Qt::Key_F10), "url", 1, 1, 0,
                    "Settings1"}),
    [](const auto& info) { return std::string(info.param.name); });

// Each menu's captions as designed once the access key's mark is removed,
// and no two items of one menu with the same key.
void ExpectCaptionsAndKeys(const QList<QAction*>& actions, const QStringList& expected) {
    QStringList shown;
    QList<QKeySequence> keys;
    for (QAction* a : actions) {
        if (a->isSeparator()) continue;
        shown << QString(a->text()).remove('&');
        keys << QKeySequence::mnemonic(a->text());
    }
    EXPECT_EQ(shown, expected);
    for (const QKeySequence& k : keys)
        EXPECT_TRUE(!k.isEmpty() && keys.count(k) == 1) << shown.join('|').toStdString();
}

TEST_F(Keyboard, MenuCaptionsKeepTheirTextAndEachHasItsOwnKey) {
    const QList<QAction*> bar = Main().menuBar()->actions();
    ExpectCaptionsAndKeys(bar, {"Settings", "Favorites", "Time Lapse", "Utilities", "Help"});
    ExpectCaptionsAndKeys(bar[0]->menu()->actions(), {"Settings ..."});
    ExpectCaptionsAndKeys(bar[1]->menu()->actions(),
                          {"Add current camera to favorites", "Manage favorites ..."});
    ExpectCaptionsAndKeys(bar[2]->menu()->actions(),
                          {"Create time lapse frames ...", "Build AVI movie ..."});
    ExpectCaptionsAndKeys(bar[3]->menu()->actions(),
                          {"Create HTML index page", "Internet time check",
                           "Refresh preview images", "View statistics"});
    ExpectCaptionsAndKeys(bar[4]->menu()->actions(), {"About", "Keyboard shortcuts"});
    ExpectCaptionsAndKeys(Forms().ViewForm->PopupMenu1->actions(),
                          {"Save As BMP ...", "Set As Wallpaper (Centered)",
                           "Set As Wallpaper (Tiled)", "Zoom In", "Zoom Out", "Fit to window",
                           "Close"});
}

// ---- Enter and Escape in the other windows ------------------------------------------

struct WindowKeyCase {
    const char* name;
    const char* window;
    const char* focus; // a control of the window; "" the window itself
    Qt::Key key;
    bool staysOpen;
};

class WindowKeys : public Keyboard, public testing::WithParamInterface<WindowKeyCase> {};

TEST_P(WindowKeys, EnterPressesTheDefaultOrFocusedButtonAndEscapeCloses) {
    const WindowKeyCase& c = GetParam();
    StartAt(1);
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == c.window) window = w;
    ASSERT_NE(window, nullptr);
    Activate(window);
    QWidget* focus = *c.focus ? window->findChild<QWidget*>(c.focus) : window;
    focus->setFocus();
    QTest::keyClick(focus, c.key);
    EXPECT_EQ(window->isVisible(), c.staysOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowKeys,
    testing::Values(
        WindowKeyCase{"settings_enter_in_a_field_is_ok", "TSettings", "timeout", Qt::Key_Return,
                      false},
        WindowKeyCase{"settings_enter_on_a_check_box_is_ok", "TSettings", "DateSkip", Qt::Key_Enter,
                      false},
        WindowKeyCase{"settings_escape_closes", "TSettings", "proxyserver", Qt::Key_Escape, false},
        WindowKeyCase{"about_enter_is_ok", "TAbout", "", Qt::Key_Return, false},
        // The focused Delete, not the default Close: with nothing highlighted
        // it asks for a highlight and the manager stays.
        WindowKeyCase{"favourites_enter_presses_the_focused_delete", "TFavManager", "Button1",
                      Qt::Key_Return, true},
        WindowKeyCase{"favourites_escape_closes", "TFavManager", "ListBox1", Qt::Key_Escape, false},
        WindowKeyCase{"statistics_escape_closes", "TStatsForm", "", Qt::Key_Escape, false},
        WindowKeyCase{"time_check_enter_without_a_default_stays", "TTimeClient", "", Qt::Key_Return,
                      true},
        WindowKeyCase{"thumbnails_escape_closes", "TThumbnailForm", "DrawGrid1", Qt::Key_Escape,
                      false}),
    [](const auto& info) { return std::string(info.param.name); });
