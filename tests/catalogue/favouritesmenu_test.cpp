// Favourites as the user meets them: the menu items, a click on one, adding
// the current camera, and the manager window with its Delete rules.
#include "catalogue/favmanager.h"
#include "catalogue/favouritesmenu.h"
#include "catalogue/settings.h"
#include "util/bytetext.h"
#include "util/lumiskerror.h"

#include "support/mainformfixture.h"

#include <QDir>
#include <QTimer>
#include <optional>

using namespace lumisk;
using namespace lumisk::test;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

// A "Favorites" menu, drop-down list and check box like the main window's,
// with the pick and the View counted.
class FavouritesWindow {
  public:
    explicit FavouritesWindow(const std::vector<std::string>& cameras) {
        menu.addAction("Add current camera to favorites");
        menu.addAction("Manage favorites ...");
        menu.addSeparator();
        for (const auto& camera : cameras)
            list.addItem(BytesToDisplay(camera));
        list.setCurrentIndex(-1);
    }

    TFavouritesMenu Favourites() {
        TFavouritesTargets t;
        t.Menu = &menu;
        t.List = &list;
        t.AutoLoadFavs = &autoLoad;
        t.Pick = [this] { picked.push_back(list.currentIndex()); };
        t.View = [this] { ++views; };
        return TFavouritesMenu(t);
    }

    // The favourites' items: what each carries, and its caption.
    std::vector<std::string> ItemFavourites() const {
        std::vector<std::string> out;
        const auto actions = menu.actions();
        for (qsizetype i = 3; i < actions.size(); ++i)
            out.push_back(TFavouritesMenu::FavouriteOf(actions[i]));
        return out;
    }
    QAction* Item(int k) const { return menu.actions().at(3 + k); }

    QMenu menu;
    QComboBox list;
    QCheckBox autoLoad;
    std::vector<int> picked;
    int views = 0;
};

} // namespace

class FavouritesFixture : public MainFormFixture {};

// ---- Start-up load and the menu --------------------------------------------

struct LoadMenuCase {
    std::string name;
    std::optional<std::string> file;
    std::vector<std::string> cameras;
    std::vector<std::string> favourites;
    std::vector<QString> captions;
};

class FavouritesStartup : public FavouritesFixture,
                          public testing::WithParamInterface<LoadMenuCase> {};

TEST_P(FavouritesStartup, LoadsAndAddsOneItemPerFavouriteAfterTheFixedOnes) {
    const auto& c = GetParam();
    if (c.file) dir.Write("favorites.dat", *c.file);
    FavouritesWindow w(c.cameras);
    App().Favourites = {"left over"};
    w.Favourites().LoadAndBuild();
    EXPECT_EQ(App().Favourites, c.favourites);
    EXPECT_EQ(w.ItemFavourites(), c.favourites);
    std::vector<QString> captions;
    for (std::size_t k = 0; k < c.favourites.size(); ++k)
        captions.push_back(w.Item(static_cast<int>(k))->text());
    EXPECT_EQ(captions, c.captions);
    // Building again replaces the items instead of adding more.
    w.Favourites().Build();
    EXPECT_EQ(w.ItemFavourites(), c.favourites);
    EXPECT_EQ(w.menu.actions().at(1)->text(), "Manage favorites ...");
    EXPECT_TRUE(Dialogs().Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FavouritesStartup,
                         testing::Values(LoadMenuCase{"duplicates_and_deleted_cameras_dropped",
                                                      "cherry\r\nApple\r\napple\r\nGone\r\n",
                                                      {"Apple", "cherry"},
                                                      {"Apple", "cherry"},
                                                      {"Apple", "cherry"}},
                                         LoadMenuCase{
                                             "no_file_no_items", std::nullopt, {"Apple"}, {}, {}},
                                         LoadMenuCase{"ampersand_shown_as_typed",
                                                      "Tom & Jerry\r\n",
                                                      {"Tom & Jerry"},
                                                      {"Tom & Jerry"},
                                                      {"Tom && Jerry"}},
                                         LoadMenuCase{"windows_1252_decoded_bytes_kept",
                                                      "Caf\xE9\r\n",
                                                      {"CAF\xC3\x89"},
                                                      {"Caf\xE9"},
                                                      {QString::fromUtf8("Caf\xC3\xA9")}}),
                         CaseName<LoadMenuCase>);

// ---- A click on a favourite --------------------------------------------------

struct ClickCase {
    std::string name;
    std::vector<std::string> cameras;
    std::string favourite;
    bool autoLoad;
    int selected; // drop-down entry made current, -1 for the error
    int views;
};

class FavouriteClick : public FavouritesFixture, public testing::WithParamInterface<ClickCase> {};

TEST_P(FavouriteClick, SelectsTheCameraAndViewsWhenAsked) {
    const auto& c = GetParam();
    FavouritesWindow w(c.cameras);
    w.autoLoad.setChecked(c.autoLoad);
    App().Favourites = {c.favourite};
    w.Favourites().Build();
    w.Item(0)->trigger();
    if (c.selected < 0) {
        EXPECT_EQ(Dialogs().Texts("Error"),
                  std::vector<QString>{"This favourite refers to a camera that has been deleted."});
        EXPECT_TRUE(w.picked.empty());
        EXPECT_EQ(w.list.currentIndex(), -1);
    } else {
        EXPECT_TRUE(Dialogs().Shown.empty());
        EXPECT_EQ(w.picked, std::vector<int>{c.selected});
    }
    EXPECT_EQ(w.views, c.views);
    EXPECT_EQ(App().Favourites, std::vector<std::string>{c.favourite});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouriteClick,
    testing::Values(
        ClickCase{"auto_load_off_only_picks", {"Apple", "cherry"}, "cherry", false, 1, 0},
        ClickCase{"auto_load_on_also_views", {"Apple", "cherry"}, "cherry", true, 1, 1},
        ClickCase{"case_twins_open_the_first", {"x", "HARBOUR", "Harbour"}, "harbour", false, 1, 0},
        ClickCase{"deleted_camera_reported", {"Apple"}, "cherry", true, -1, 0},
        ClickCase{"ampersand_opens_its_camera", {"Tom & Jerry"}, "Tom & Jerry", true, 0, 1},
        ClickCase{"marks_removed_on_both_sides", {"x", "R&D Lab"}, "&RD La&b", false, 1, 0},
        ClickCase{"exact_name_before_one_without_marks",
                  {"RockRoll", "Rock&Roll"},
                  "rock&roll",
                  false,
                  1,
                  0},
        ClickCase{
            "windows_1252_favourite_finds_utf8_entry", {"CAF\xC3\x89"}, "Caf\xE9", false, 0, 0}),
    CaseName<ClickCase>);

// ---- Add current camera ----------------------------------------------------------

struct AddCase {
    std::string name;
    std::vector<std::string> before;
    std::string description;
    std::vector<std::string> after;
    bool duplicate;
    std::optional<std::string> file; // none: not written
};

class FavouriteAdd : public FavouritesFixture, public testing::WithParamInterface<AddCase> {};

TEST_P(FavouriteAdd, AddsSortedSavesAndRebuildsUnlessPresent) {
    const auto& c = GetParam();
    FavouritesWindow w({});
    App().Favourites = c.before;
    w.Favourites().Build();
    w.Favourites().AddCurrent(c.description);
    EXPECT_EQ(App().Favourites, c.after);
    EXPECT_EQ(w.ItemFavourites(), c.after);
    EXPECT_EQ(Dialogs().Texts("Information"),
              c.duplicate ? std::vector<QString>{"This camera already exists in your favourites "
                                                 "list."}
                          : std::vector<QString>{});
    EXPECT_EQ(dir.Exists("favorites.dat"), c.file.has_value());
    if (c.file) {
        EXPECT_EQ(dir.Read("favorites.dat"), *c.file);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouriteAdd,
    testing::Values(
        AddCase{"inserted_at_sorted_place",
                {"Apple", "cherry"},
                "banana",
                {"Apple", "banana", "cherry"},
                false,
                "Apple\r\nbanana\r\ncherry\r\n"},
        AddCase{"same_text_refused", {"Apple"}, "Apple", {"Apple"}, true, std::nullopt},
        AddCase{"other_case_refused", {"Apple"}, "APPLE", {"Apple"}, true, std::nullopt},
        AddCase{"empty_description_added", {"x"}, "", {"", "x"}, false, "\r\nx\r\n"},
        AddCase{"bytes_saved_unchanged", {}, "Caf\xE9", {"Caf\xE9"}, false, "Caf\xE9\r\n"}),
    CaseName<AddCase>);

TEST_F(FavouritesFixture, AddThatCannotSaveKeepsTheListAndTheOldMenu) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.File("favorites.dat"))));
    FavouritesWindow w({});
    App().Favourites = {"Apple"};
    w.Favourites().Build();
    EXPECT_THROW(w.Favourites().AddCurrent("cherry"), EFCreateError);
    EXPECT_EQ(App().Favourites, (std::vector<std::string>{"Apple", "cherry"}));
    EXPECT_EQ(w.ItemFavourites(), std::vector<std::string>{"Apple"});
}

// ---- The manager window ----------------------------------------------------------

struct DeleteCase {
    std::string name;
    int lines;
    int selectedRow; // -1: nothing selected
    std::vector<QString> left;
    int selectedAfter;
    bool error;
};

class FavManagerDelete : public FavouritesFixture,
                         public testing::WithParamInterface<DeleteCase> {};

TEST_P(FavManagerDelete, RemovesTheSelectedLineAndSelectsItsPlace) {
    const auto& c = GetParam();
    TFavManager& m = *Forms().FavManager;
    const std::vector<std::string> names = {"a", "b", "c"};
    m.SetFavourites(std::vector<std::string>(names.begin(), names.begin() + c.lines));
    if (c.selectedRow >= 0) m.ListBox1->setCurrentRow(c.selectedRow);
    m.Button1->click();
    std::vector<QString> left;
    for (int i = 0; i < m.ListBox1->count(); ++i)
        left.push_back(m.ListBox1->item(i)->text());
    EXPECT_EQ(left, c.left);
    const auto selected = m.ListBox1->selectedItems();
    EXPECT_EQ(selected.isEmpty() ? -1 : m.ListBox1->row(selected.first()), c.selectedAfter);
    EXPECT_EQ(Dialogs().Texts("Error"), c.error
                                            ? std::vector<QString>{"Highlight a favourite first."}
                                            : std::vector<QString>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavManagerDelete,
    testing::Values(DeleteCase{"last_of_three_selects_new_last", 3, 2, {"a", "b"}, 1, false},
                    DeleteCase{"middle_selects_the_next", 3, 1, {"a", "c"}, 1, false},
                    DeleteCase{"first_selects_the_new_first", 3, 0, {"b", "c"}, 0, false},
                    DeleteCase{"only_line_leaves_none_selected", 1, 0, {}, -1, false},
                    DeleteCase{"nothing_selected_is_an_error", 3, -1, {"a", "b", "c"}, -1, true},
                    DeleteCase{"empty_list_is_an_error", 0, -1, {}, -1, true}),
    CaseName<DeleteCase>);

TEST_F(FavouritesFixture, ManagerWindowIsFixedAndCloseOnlyHides) {
    TFavManager& m = *Forms().FavManager;
    EXPECT_EQ(m.windowTitle(), "Favorites Manager");
    EXPECT_EQ(m.size(), QSize(319, 223));
    EXPECT_FALSE(m.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(m.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(m.Label1->text(), "Current Favourites");
    EXPECT_EQ(m.ListBox1->geometry(), QRect(8, 24, 305, 161));
    EXPECT_EQ(m.Button1->text(), "Delete");
    EXPECT_EQ(m.Button2->text(), "Close");
    m.show();
    m.Button2->click();
    EXPECT_FALSE(m.isVisible());
}

struct ManageCase {
    std::string name;
    std::vector<std::string> before;
    std::vector<int> deleteRows; // selected and deleted in this order
    std::vector<std::string> after;
    std::vector<std::string> added = {}; // from the main window while the manager is open
};

class FavouritesManage : public FavouritesFixture,
                         public testing::WithParamInterface<ManageCase> {};

TEST_P(FavouritesManage, TakesBackWhatIsLeftWhenClosed) {
    const auto& c = GetParam();
    FavouritesWindow w({});
    TFavManager& m = *Forms().FavManager;
    App().Favourites = c.before;
    w.Favourites().Build();
    std::vector<QString> shown;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < m.ListBox1->count(); ++i)
            shown.push_back(m.ListBox1->item(i)->text());
        for (const auto& f : c.added)
            w.Favourites().AddCurrent(f);
        for (int row : c.deleteRows) {
            m.ListBox1->setCurrentRow(row);
            m.Button1->click();
        }
        m.Button2->click();
    });
    w.Favourites().Manage(m);
    std::vector<QString> expectedShown;
    for (const auto& f : c.before)
        expectedShown.push_back(BytesToDisplay(f));
    EXPECT_EQ(shown, expectedShown);
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(App().Favourites, c.after);
    EXPECT_EQ(w.ItemFavourites(), c.after);
    std::string file;
    for (const auto& f : c.after)
        file += f + "\r\n";
    EXPECT_EQ(dir.Read("favorites.dat"), file);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouritesManage,
    testing::Values(ManageCase{"close_at_once_saves_all", {"a", "b"}, {}, {"a", "b"}},
                    ManageCase{"deleted_lines_are_gone", {"a", "b", "c"}, {1}, {"a", "c"}},
                    ManageCase{"delete_every_line", {"a", "b"}, {0, 0}, {}},
                    ManageCase{
                        "bytes_survive_the_round_trip", {"Caf\xE9", "Zoo"}, {1}, {"Caf\xE9"}},
                    ManageCase{"added_while_open_is_kept", {"a", "c"}, {0}, {"b", "c"}, {"b"}}),
    CaseName<ManageCase>);

TEST_F(FavouritesFixture, ManageAgainWhileOpenDoesNotWaitTwice) {
    FavouritesWindow w({});
    TFavManager& m = *Forms().FavManager;
    App().Favourites = {"a", "b"};
    bool innerReturned = false;
    QTimer::singleShot(0, [&] {
        w.Favourites().Manage(m); // returns at once: the manager is already open
        innerReturned = true;
        m.ListBox1->setCurrentRow(0);
        m.Button1->click();
        m.Button2->click();
    });
    w.Favourites().Manage(m);
    EXPECT_TRUE(innerReturned);
    EXPECT_EQ(App().Favourites, std::vector<std::string>{"b"});
}

// ---- In the main window ------------------------------------------------------------

TEST_F(FavouritesFixture, MainWindowFavouriteMakesTheCameraCurrent) {
    WriteCatalogue({{"Apple", "http://127.0.0.1/a.jpg", "", "1", ""},
                    {"cherry", "http://127.0.0.1/c.jpg", "", "1", ""}});
    WriteKnownVersion();
    dir.Write("favorites.dat", "CHERRY\r\nGone\r\n");
    Start();
    Forms().Settings->AutoLoadFavs->setChecked(false);
    TFavouritesMenu favourites = TFavouritesMenu::ForMainForm();
    favourites.LoadAndBuild();
    const auto actions = Main().Favourites1->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[3]->text(), "CHERRY");
    EXPECT_EQ(App().Catalogue.Current, 1);
    actions[3]->trigger();
    EXPECT_EQ(App().Catalogue.Current, 2);
    EXPECT_EQ(Main().description->text(), "cherry");
    EXPECT_EQ(Main().ViewStarts(), 0);
}
