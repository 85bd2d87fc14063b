// The keyboard: the main window's keys, the menus' access keys (also from a
// text field, which never types them), and Enter and Escape in the dialogs
// and tool windows.
#include "app/about.h"
#include "catalogue/favmanager.h"
#include "catalogue/settings.h"
#include "support/mainformfixture.h"
#include "tools/statsform.h"
#include "tools/timeclient.h"
#include "viewers/thumbnailform.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <functional>

using namespace lumisk;
using namespace lumisk::test;

namespace {

// Cameras whose View fails at once: nothing listens on port 9.
std::vector<TCamera> Cameras(int n) {
    std::vector<TCamera> cameras;
    for (int i = 1; i <= n; ++i)
        cameras.push_back({"Cam " + std::to_string(i), "http://127.0.0.1:9/cam.jpg", "", "5", ""});
    return cameras;
}

} // namespace

class Keyboard : public MainFormFixture {
  protected:
    void StartWith(int cameras) {
        WriteCatalogue(Cameras(cameras));
        WriteKnownVersion();
        Start();
        Activate(&Main());
    }
    void Activate(QWidget* window) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void Select(int camera) {
        Main().description_combo->setCurrentIndex(camera - 1);
        Main().description_comboClick();
    }
};

// ---- The main window's keys ------------------------------------------------------

struct MainKeyCase {
    const char* name;
    QKeyCombination key;
    bool inAddressField; // the key is pressed while the image address field has the focus
    int from;
    int current; // the camera current afterwards
    int views;   // Views started
    bool grid;   // the thumbnail grid is shown
};

class MainWindowKeys : public Keyboard, public testing::WithParamInterface<MainKeyCase> {};

TEST_P(MainWindowKeys, DoWhatTheirButtonsDo) {
    const MainKeyCase& c = GetParam();
    StartWith(5);
    Select(c.from);
    QWidget* target = c.inAddressField ? static_cast<QWidget*>(Main().url) : Main().viewbutton;
    target->setFocus();
    const QString address = Main().url->text();
    QTest::keyClick(target, c.key.key(), c.key.keyboardModifiers());
    EXPECT_EQ(App().Catalogue.Current, c.current);
    EXPECT_EQ(Main().ViewStarts(), c.views);
    EXPECT_EQ(Forms().ThumbnailForm->isVisible(), c.grid);
    if (c.current == c.from) {
        EXPECT_EQ(Main().url->text(), address);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainWindowKeys,
    testing::Values(
        MainKeyCase{"ctrl_home_first", Qt::CTRL | Qt::Key_Home, false, 3, 1, 0, false},
        MainKeyCase{"ctrl_end_last", Qt::CTRL | Qt::Key_End, false, 2, 5, 0, false},
        MainKeyCase{"ctrl_pgup_back", Qt::CTRL | Qt::Key_PageUp, false, 3, 2, 0, false},
        MainKeyCase{"ctrl_pgdn_next", Qt::CTRL | Qt::Key_PageDown, false, 3, 4, 0, false},
        MainKeyCase{"ctrl_pgdn_at_the_last_does_nothing", Qt::CTRL | Qt::Key_PageDown, false, 5, 5,
                    0, false},
        // A text field keeps these keys for itself unless the window claims them.
        MainKeyCase{"ctrl_home_from_the_address_field", Qt::CTRL | Qt::Key_Home, true, 4, 1, 0,
                    false},
        MainKeyCase{"ctrl_end_from_the_address_field", Qt::CTRL | Qt::Key_End, true, 1, 5, 0,
                    false},
        MainKeyCase{"f5_views", QKeyCombination(Qt::Key_F5), true, 2, 2, 1, false},
        MainKeyCase{"ctrl_t_opens_the_grid", Qt::CTRL | Qt::Key_T, false, 1, 1, 0, true},
        MainKeyCase{"enter_presses_the_focused_button", QKeyCombination(Qt::Key_Return), false, 2,
                    2, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Menus -----------------------------------------------------------------------

struct MenuCase {
    const char* name;
    QKeyCombination key;
    const char* menu; // the menu opened, none when empty
};

class MenuKeys : public Keyboard, public testing::WithParamInterface<MenuCase> {};

TEST_P(MenuKeys, FromTheAddressFieldOpenTheirMenuAndTypeNothing) {
    const MenuCase& c = GetParam();
    StartWith(2);
    Main().url->setFocus();
    const QString address = Main().url->text();
    QTest::keyClick(Main().url, c.key.key(), c.key.keyboardModifiers());
    QWidget* popup = QApplication::activePopupWidget();
    EXPECT_EQ(popup ? popup->objectName() : QString(), c.menu);
    if (popup) popup->close();
    EXPECT_EQ(Main().url->text(), address);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuKeys,
    testing::Values(MenuCase{"alt_s_settings", Qt::ALT | Qt::Key_S, "Settings1"},
                    MenuCase{"alt_f_favorites", Qt::ALT | Qt::Key_F, "Favourites1"},
                    MenuCase{"alt_t_time_lapse", Qt::ALT | Qt::Key_T, "Movie1"},
                    MenuCase{"alt_u_utilities", Qt::ALT | Qt::Key_U, "Utilities1"},
                    MenuCase{"alt_h_help", Qt::ALT | Qt::Key_H, "Help1"},
                    MenuCase{"alt_q_is_no_menu_and_no_text", Qt::ALT | Qt::Key_Q, ""},
                    MenuCase{"f10_the_first_menu", QKeyCombination(Qt::Key_F10), "Settings1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Keyboard, MenuCaptionsKeepTheirTextAndEachLevelHasDistinctAccessKeys) {
    const QStringList expected[] = {
        {"Settings", "Settings ..."},
        {"Favorites", "Add current camera to favorites", "Manage favorites ..."},
        {"Time Lapse", "Create time lapse frames ...", "Build AVI movie ..."},
        {"Utilities", "Create HTML index page", "Internet time check", "Refresh preview images",
         "View statistics"},
        {"Help", "About", "Keyboard shortcuts"}};
    auto shown = [](const QString& caption) { return QString(caption).remove('&'); };
    auto key = [](const QString& caption) { return QKeySequence::mnemonic(caption); };
    QList<QKeySequence> topKeys;
    const QList<QAction*> menus = Main().menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(std::size(expected)));
    for (qsizetype m = 0; m < menus.size(); ++m) {
        EXPECT_EQ(shown(menus[m]->text()), expected[m][0]);
        topKeys << key(menus[m]->text());
        QList<QKeySequence> itemKeys;
        QStringList items{shown(menus[m]->text())};
        for (QAction* item : menus[m]->menu()->actions()) {
            if (item->isSeparator()) continue;
            items << shown(item->text());
            itemKeys << key(item->text());
        }
        EXPECT_EQ(items, expected[m]);
        for (const QKeySequence& k : itemKeys) {
            EXPECT_FALSE(k.isEmpty()) << items.join('|').toStdString();
            EXPECT_EQ(itemKeys.count(k), 1) << k.toString().toStdString();
        }
    }
    for (const QKeySequence& k : topKeys)
        EXPECT_EQ(topKeys.count(k), 1);
}

TEST_F(Keyboard, HelpListsTheKeys) {
    StartWith(1);
    Dialogs().Shown.clear();
    Main().Keyboardshortcuts1->trigger();
    ASSERT_EQ(Dialogs().Texts("Information").size(), 1u);
    const QString text = Dialogs().Texts("Information")[0];
    for (const char* k : {"F5", "Ctrl+Home", "Ctrl+End", "Ctrl+PgUp", "Ctrl+PgDn", "Ctrl+T"})
        EXPECT_TRUE(text.contains(k)) << k;
}

// ---- Enter and Escape in the other windows ------------------------------------------

struct WindowKeyCase {
    const char* name;
    std::function<QWidget*()> window;
    std::function<QWidget*()> focus; // where the key is pressed
    Qt::Key key;
    bool staysOpen;
};

class WindowKeys : public Keyboard, public testing::WithParamInterface<WindowKeyCase> {};

TEST_P(WindowKeys, EnterPressesTheDefaultOrFocusedButtonAndEscapeCloses) {
    const WindowKeyCase& c = GetParam();
    StartWith(1);
    Dialogs().Shown.clear();
    QWidget* window = c.window();
    Activate(window);
    QWidget* focus = c.focus();
    focus->setFocus();
    QTest::keyClick(focus, c.key);
    EXPECT_EQ(window->isVisible(), c.staysOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowKeys,
    testing::Values(
        WindowKeyCase{"settings_enter_in_a_field_is_ok", [] { return Forms().Settings; },
                      [] { return Forms().Settings->timeout; }, Qt::Key_Return, false},
        WindowKeyCase{"settings_enter_on_a_check_box_is_ok", [] { return Forms().Settings; },
                      [] { return Forms().Settings->DateSkip; }, Qt::Key_Enter, false},
        WindowKeyCase{"settings_escape_closes", [] { return Forms().Settings; },
                      [] { return Forms().Settings->proxyserver; }, Qt::Key_Escape, false},
        WindowKeyCase{"about_enter_is_ok", [] { return Forms().About; },
                      [] { return Forms().About; }, Qt::Key_Return, false},
        WindowKeyCase{"favourites_escape_closes", [] { return Forms().FavManager; },
                      [] { return Forms().FavManager->ListBox1; }, Qt::Key_Escape, false},
        // The focused Delete, not the default Close: with nothing highlighted
        // it asks for a highlight and the manager stays.
        WindowKeyCase{"favourites_enter_presses_the_focused_delete",
                      [] { return Forms().FavManager; }, [] { return Forms().FavManager->Button1; },
                      Qt::Key_Return, true},
        WindowKeyCase{"statistics_escape_closes", [] { return Forms().StatsForm; },
                      [] { return Forms().StatsForm; }, Qt::Key_Escape, false},
        WindowKeyCase{"time_check_escape_closes", [] { return Forms().TimeClient; },
                      [] { return Forms().TimeClient; }, Qt::Key_Escape, false},
        WindowKeyCase{"time_check_enter_without_a_default_stays", [] { return Forms().TimeClient; },
                      [] { return Forms().TimeClient; }, Qt::Key_Return, true},
        WindowKeyCase{"thumbnails_escape_closes", [] { return Forms().ThumbnailForm; },
                      [] { return Forms().ThumbnailForm->DrawGrid1; }, Qt::Key_Escape, false}),
    [](const auto& info) { return std::string(info.param.name); });
