// The main window driven as a user would: start-up with and without files,
// navigation and its enabling, editing, sorting, deleting, shutdown.
#include "catalogue/settings.h"
#include "imaging/bmpwriter.h"
#include "support/mainformfixture.h"
#include "tools/avibuildform.h"
#include "tools/statsform.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <sys/stat.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

struct Enabled {
    bool first, back, next, last, del;
};

Enabled NavigationOf(TMainForm& m) {
    return {m.firstbutton->isEnabled(), m.backbutton->isEnabled(), m.nextbutton->isEnabled(),
            m.lastbutton->isEnabled(), m.delbutton->isEnabled()};
}

void ExpectEnabled(TMainForm& m, Enabled want) {
    Enabled got = NavigationOf(m);
    EXPECT_EQ(got.first, want.first);
    EXPECT_EQ(got.back, want.back);
    EXPECT_EQ(got.next, want.next);
    EXPECT_EQ(got.last, want.last);
    EXPECT_EQ(got.del, want.del);
}

} // namespace

class MainFormStartup : public MainFormFixture {};

TEST_F(MainFormStartup, NoFilesIsAFirstRunWithAnEmptyCatalogue) {
    // The welcome is answered by closing the settings dialog, as a user would.
    Dialogs().OnShow = [](const TShownDialog& d) {
        if (d.Kind == "Information")
            QTimer::singleShot(0, [] { Forms().Settings->Button1->click(); });
    };
    Dialogs().ConfirmAnswers = {false};
    Start();

    auto errors = Dialogs().Texts("Error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].contains("not found"));
    EXPECT_EQ(Main().imagestats->text(), "Camera 0 of 0 total cameras.");
    ExpectEnabled(Main(), {false, false, false, false, false});
    auto info = Dialogs().Texts("Information");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_TRUE(info[0].startsWith("Welcome to the voyeuristic world of Lumisk!\r\r"
                                   "As this is the first time you have run this version"));
    ASSERT_EQ(Dialogs().Texts("Confirm").size(), 1u);
    EXPECT_TRUE(Dialogs().Texts("Confirm")[0].startsWith(
        "Do you want to refresh all the camera previews now (recommended)?\r"));
    EXPECT_FALSE(Main().Timer1->isActive());
    EXPECT_FALSE(Forms().Settings->isVisible());
    EXPECT_TRUE(App().FirstRun);
    EXPECT_NE(dir.Read("orvane.ini").find("Version Flag=" + std::string(VersionLine)),
              std::string::npos);
    EXPECT_TRUE(dir.Exists("Previews") && dir.Exists("Frames"));
    EXPECT_EQ(Main().Status(), "Ready");

    Main().addbutton->click();
    EXPECT_EQ(Main().imagestats->text(), "Camera 1 of 1 total cameras.");
    EXPECT_TRUE(Main().url->text().isEmpty());
}

TEST_F(MainFormStartup, YesToTheRefreshQuestionArmsTheTimerOnce) {
    dir.Write("orvane.ini", "[Settings]\r\nVersion Flag=Lumisk version 0.9\r\n");
    WriteNumberedCatalogue(2);
    Dialogs().OnShow = [](const TShownDialog& d) {
        if (d.Kind == "Information" && d.Text.startsWith("Welcome"))
            QTimer::singleShot(0, [] { Forms().Settings->hide(); });
    };
    Dialogs().ConfirmAnswers = {true};
    Start();
    EXPECT_TRUE(Main().Timer1->isActive());
    ASSERT_TRUE(WaitFor([&] {
        return !Dialogs().Texts("Information").empty() &&
               Dialogs().Texts("Information").back() == "All preview images have now been updated.";
    }));
    EXPECT_FALSE(Main().Timer1->isActive());
}

TEST_F(MainFormStartup, KnownVersionSkipsTheWelcomeAndSelectsTheRememberedCamera) {
    WriteNumberedCatalogue(5);
    WriteKnownVersion("Current Camera=2\r\n");
    Start();
    EXPECT_TRUE(Dialogs().Shown.empty());
    EXPECT_EQ(App().Catalogue.Current, 3);
    EXPECT_EQ(Main().description->text(), "Cam 3");
    EXPECT_EQ(Main().imagestats->text(), "Camera 3 of 5 total cameras.");
}

TEST_F(MainFormStartup, RememberedPositionOutsideTheListLeavesNoCameraCurrent) {
    WriteNumberedCatalogue(5);
    WriteKnownVersion("Current Camera=-1\r\n");
    Start();
    EXPECT_EQ(App().Catalogue.Current, 0);
    EXPECT_EQ(Main().imagestats->text(), "Camera 0 of 5 total cameras.");
    ExpectEnabled(Main(), {false, false, true, true, false});
    EXPECT_TRUE(Main().description->text().isEmpty());
}

TEST_F(MainFormStartup, CatalogueEndingInsideARecordIsReportedOnce) {
    dir.Write("orvane.dat", "A\r\nhttp://a\r\n\r\n5\r\n\r\nB\r\nhttp://b\r\n");
    WriteKnownVersion();
    Start();
    ASSERT_EQ(Dialogs().Shown.size(), 1u);
    EXPECT_TRUE(Dialogs().Shown[0].Text.contains("ended inside a camera record"));
    EXPECT_EQ(App().Catalogue.Count, 1);
}

TEST_F(MainFormStartup, StatisticsWindowIsRestoredAboveTheTaskBar) {
    WriteNumberedCatalogue(1);
    WriteKnownVersion("Stats Visible=1\r\n");
    Start();
    QWidget* stats = Forms().StatsForm;
    ASSERT_TRUE(stats->isVisible());
    QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(stats->frameGeometry().bottom(), work.bottom());
    EXPECT_EQ(stats->frameGeometry().right(), work.right());
    Main().close();
    EXPECT_NE(dir.Read("orvane.ini").find("Stats Visible=1"), std::string::npos);
}

TEST_F(MainFormStartup, PipesNamedLikeDataFilesAreReportedAndNeverReplaced) {
    const std::vector<std::string> files = {"orvane.dat", "orvane.ini", "favorites.dat"};
    for (const std::string& name : files)
        ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0666), 0);
    dir.Write("orvane.dat.lumisk-save-Ab12Cd", "left by a killed save");
    Dialogs().OnShow = [](const TShownDialog& d) {
        if (d.Text.startsWith("Welcome")) QTimer::singleShot(0, [] { Forms().Settings->hide(); });
    };
    Start();
    EXPECT_EQ(Main().Status(), "Ready");
    EXPECT_FALSE(dir.Exists("orvane.dat.lumisk-save-Ab12Cd"));
    Main().addbutton->click();
    Main().Addcurrentcameratofavourites1->trigger();
    std::vector<QString> expected;
    for (const std::string& name : files)
        expected.push_back(QString::fromStdString("Cannot open file " + dir.File(name) + "."));
    for (const char* name : {"orvane.dat", "favorites.dat"})
        expected.push_back(QString::fromStdString("Cannot create file " + dir.File(name) + "."));
    EXPECT_EQ(Dialogs().Texts("ErrorReport"), expected);
    for (const std::string& name : files)
        EXPECT_TRUE(std::filesystem::is_fifo(dir.File(name)));
}

class MainFormNavigation : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        WriteNumberedCatalogue(5);
        WriteKnownVersion();
        Start();
    }
    void GoTo(int n) {
        Main().description_combo->setCurrentIndex(n - 1);
        Main().description_comboClick();
    }
};

struct NavCase {
    const char* name;
    int from;
    QPushButton* TMainForm::*button;
    int to;
    Enabled after;
};

class NavigationMoves : public MainFormNavigation, public testing::WithParamInterface<NavCase> {};

TEST_P(NavigationMoves, MovesAndAppliesTheEnablingRules) {
    const NavCase& c = GetParam();
    GoTo(c.from);
    (Main().*c.button)->click();
    EXPECT_EQ(App().Catalogue.Current, c.to);
    EXPECT_EQ(Main().description->text(), QString("Cam %1").arg(c.to));
    EXPECT_EQ(Main().imagestats->text(), QString("Camera %1 of 5 total cameras.").arg(c.to));
    ExpectEnabled(Main(), c.after);
    EXPECT_EQ(Main().Status(), "Ready");
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, NavigationMoves,
    testing::Values(NavCase{"NextToLastDisablesNextAndLast", 4, &TMainForm::nextbutton, 5,
                            {true, true, false, false, true}},
                    NavCase{"BackToFirstDisablesFirstAndBack", 2, &TMainForm::backbutton, 1,
                            {false, false, true, true, true}},
                    NavCase{"FirstFromMiddle", 3, &TMainForm::firstbutton, 1,
                            {false, false, true, true, true}},
                    NavCase{"LastFromFirst", 1, &TMainForm::lastbutton, 5,
                            {true, true, false, false, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFormNavigation, NextKeepsAnEditWhileThePickDropsIt) {
    GoTo(2);
    Main().description->setText("Edited 2");
    Main().nextbutton->click();
    EXPECT_EQ(App().Catalogue.Records[2].Description, "Edited 2");
    EXPECT_EQ(Main().description_combo->itemText(1), "Edited 2");

    Main().description->setText("Lost 3");
    GoTo(5);
    EXPECT_EQ(App().Catalogue.Records[3].Description, "Cam 3");
}

TEST_F(MainFormNavigation, DeleteAnsweredNoChangesNothing) {
    const std::string before = dir.Read("orvane.dat");
    GoTo(3);
    Dialogs().ConfirmAnswers = {false};
    Main().delbutton->click();
    EXPECT_EQ(Dialogs().Texts("Confirm").back(), "Are you sure you want to delete this entry?");
    EXPECT_EQ(App().Catalogue.Count, 5);
    EXPECT_EQ(dir.Read("orvane.dat"), before);
    EXPECT_EQ(Main().Status(), "Ready");
}

TEST_F(MainFormNavigation, DeletingTheLastCameraMakesThePreviousCurrentAndSaves) {
    GoTo(5);
    Dialogs().ConfirmAnswers = {true};
    Main().delbutton->click();
    EXPECT_EQ(App().Catalogue.Current, 4);
    EXPECT_EQ(Main().description->text(), "Cam 4");
    EXPECT_EQ(Main().description_combo->count(), 4);
    EXPECT_EQ(dir.Read("orvane.dat").find("Cam 5"), std::string::npos);
}

TEST_F(MainFormNavigation, DeletingEveryCameraClearsTheWindow) {
    for (int i = 0; i < 5; ++i) {
        Dialogs().ConfirmAnswers = {true};
        Main().delbutton->click();
    }
    EXPECT_EQ(Main().imagestats->text(), "Camera 0 of 0 total cameras.");
    EXPECT_EQ(Main().description_combo->count(), 0);
    EXPECT_TRUE(Main().description->text().isEmpty() && Main().url->text().isEmpty());
    EXPECT_EQ(dir.Read("orvane.dat"), "");
    ExpectEnabled(Main(), {false, false, false, false, false});
}

TEST_F(MainFormNavigation, SortKeepsTheCurrentCameraByDescription) {
    GoTo(4);
    Main().description->setText("apple");
    Main().sortbutton->click();
    EXPECT_EQ(App().Catalogue.Current, 1);
    EXPECT_EQ(Main().description->text(), "apple");
    EXPECT_EQ(Main().sortbutton->text(), "Sort");
    EXPECT_TRUE(Main().sortbutton->isEnabled());
    EXPECT_EQ(Main().Status(), "Sorted database");
    EXPECT_EQ(dir.Read("orvane.dat").rfind("apple\r\n", 0), 0u);
}

TEST_F(MainFormNavigation, FailedSaveIsReportedAndSortComesBack) {
    // The file becomes a directory: the atomic rename over it must fail.
    QDir(QString::fromStdString(dir.Path())).remove("orvane.dat");
    QDir(QString::fromStdString(dir.Path())).mkdir("orvane.dat");
    Main().sortbutton->click();
    auto reports = Dialogs().Texts("ErrorReport");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], QString::fromStdString("Cannot create file " + dir.File("orvane.dat") + "."));
    EXPECT_EQ(Dialogs().Shown.back().Title, "Lumisk");
    EXPECT_EQ(Main().sortbutton->text(), "Sort");
    EXPECT_TRUE(Main().sortbutton->isEnabled());
}

TEST_F(MainFormNavigation, RandomNeedsTwoCamerasAndAlwaysStartsAView) {
    for (int i = 0; i < 20; ++i) {
        Main().RandomButton->click();
        EXPECT_GE(App().Catalogue.Current, 1);
        EXPECT_LE(App().Catalogue.Current, 5);
    }
    EXPECT_EQ(Main().ViewStarts(), 20);
    for (int i = 0; i < 4; ++i) {
        Dialogs().ConfirmAnswers = {true};
        Main().delbutton->click();
    }
    Main().RandomButton->click();
    EXPECT_EQ(Dialogs().Texts("Message").back(), "Randomize requires at least 2 records.");
    EXPECT_EQ(Main().ViewStarts(), 20);
}

TEST_F(MainFormNavigation, OpenIsOnlyEnabledWithAWebPage) {
    GoTo(2); // even cameras have no web page
    EXPECT_FALSE(Main().OpenSite->isEnabled());
    GoTo(3);
    ASSERT_TRUE(Main().OpenSite->isEnabled());
    Main().OpenSite->click();
    EXPECT_EQ(Shell().Opened, QStringList{"http://127.0.0.1/page3"});
}

TEST_F(MainFormNavigation, BusyStateLocksNavigationButNotView) {
    GoTo(3);
    Main().EnterBusyState();
    for (QWidget* w : std::initializer_list<QWidget*>{
             Main().firstbutton, Main().nextbutton, Main().addbutton, Main().delbutton,
             Main().sortbutton, Main().RandomButton, Main().description_combo, Main().Button1})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Main().viewbutton->isEnabled());
    Main().LeaveBusyState();
    ExpectEnabled(Main(), {true, true, true, true, true});
    EXPECT_TRUE(Main().sortbutton->isEnabled());
}

TEST_F(MainFormNavigation, BuildAviNeedsTheFirstFrame) {
    Main().BuildAVImovie1->trigger();
    ASSERT_EQ(Dialogs().Texts("Error").size(), 1u);
    EXPECT_EQ(Dialogs().Texts("Error")[0], "No frame files have been found.\r"
                                           "Frames must be created before AVI movies can be compiled.");
    EXPECT_FALSE(Forms().AVIBuildForm->isVisible());
    dir.Write("Frames/FRA00000.BMP", "BM");
    Main().BuildAVImovie1->trigger();
    EXPECT_TRUE(Forms().AVIBuildForm->isVisible());
}

TEST_F(MainFormNavigation, ShutdownStoresTheFieldsAndWritesBothFiles) {
    GoTo(2);
    Main().url->setText("http://127.0.0.1/changed.jpg");
    Forms().Settings->timeout->setText("1234");
    Main().close();
    EXPECT_EQ(ExitCount(), 1);
    EXPECT_NE(dir.Read("orvane.dat").find("Cam 2\r\nhttp://127.0.0.1/changed.jpg\r\n"),
              std::string::npos);
    const std::string ini = dir.Read("orvane.ini");
    EXPECT_NE(ini.find("Timeout=1234"), std::string::npos);
    EXPECT_NE(ini.find("Current Camera=1"), std::string::npos);
}

TEST_F(MainFormNavigation, CloseThatCannotSaveAsksWhetherToQuitWithoutSaving) {
    QDir(QString::fromStdString(dir.Path())).remove("orvane.dat");
    QDir(QString::fromStdString(dir.Path())).mkdir("orvane.dat");
    Dialogs().ConfirmAnswers = {false, true};
    Main().close();
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(ExitCount(), 0);
    Main().close();
    EXPECT_FALSE(Main().isVisible());
    EXPECT_EQ(ExitCount(), 1);
    ASSERT_EQ(Dialogs().Shown.size(), 4u);
    for (int i : {0, 2}) {
        EXPECT_EQ(Dialogs().Shown[i].Text,
                  QString::fromStdString("Cannot create file " + dir.File("orvane.dat") + "."));
        EXPECT_EQ(Dialogs().Shown[i + 1].Text,
                  "Lumisk could not save everything before closing.\rQuit without saving? "
                  "Changes that were not saved will be lost.");
    }
}

class MainFormBytes : public MainFormFixture {};

TEST_F(MainFormBytes, ShownFieldsAreStoredAgainByteForByte) {
    // A Windows-1252 description (not UTF-8) names its preview file: showing
    // and storing it without an edit must not change a byte.
    WriteCatalogue({{"Caf\xE9 cam", "http://127.0.0.1/\xE9.jpg", "", "5", "Sun, 06 Nov 1994"},
                    {"Caf\xC3\xA9 utf8", "http://127.0.0.1/b", "", "", ""}});
    WriteKnownVersion();
    // Its preview is found by the same bytes, so its date stays shown.
    QDir(QString::fromStdString(dir.Path())).mkdir("Previews");
    QImage picture(4, 3, QImage::Format_BGR888);
    picture.fill(Qt::gray);
    SaveImageAsBitmap(picture, dir.File("Previews/Caf\xE9 cam.BMP"));
    const std::string before = dir.Read("orvane.dat");
    Start();
    EXPECT_TRUE(Main().PreviewImage->toolTip().startsWith("Last successfull download."));
    EXPECT_EQ(Main().description->text(), QString::fromUtf8("Caf\xC3\xA9 cam"));
    Main().nextbutton->click();
    Main().backbutton->click();
    Main().close();
    EXPECT_EQ(dir.Read("orvane.dat"), before);
}

TEST_F(MainFormBytes, TypedTextIsStoredAsUtf8CutAtACharacter) {
    WriteNumberedCatalogue(1);
    WriteKnownVersion();
    Start();
    Main().updatetime->setText(QString::fromUtf8("123456789\xC3\xA9"));  // 11 bytes
    Main().StoreCurrentRecord();
    EXPECT_EQ(App().Catalogue.Records[1].UpdateMinutes, "123456789");
}
