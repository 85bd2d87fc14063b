// The image viewer driven as a user would: opening on the main window's
// camera, zooming by menu and wheel, the button row, stepping through the
// cameras, refreshing, saving as BMP, the wallpaper files and closing.
#include "app/mainform.h"
#include "imaging/bmpwriter.h"
#include "support/mainformfixture.h"
#include "util/events.h"
#include "util/services.h"
#include "util/wallpapersetter.h"
#include "viewers/viewform.h"
#include "widgets/windowplacement.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace lumisk;
using namespace lumisk::test;

namespace {

struct TWallpaperRecorder : IWallpaperSetter {
    std::vector<std::pair<std::string, bool>> Calls;
    void SetWallpaper(const std::string& path, bool tiled) override {
        Calls.emplace_back(path, tiled);
    }
};

QImage Filled(QSize size, QColor color) {
    QImage picture(size, QImage::Format_BGR888);
    picture.fill(color);
    return picture;
}

bool HasLime(const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y) == QColor(0, 255, 0)) return true;
    return false;
}

void Wheel(QWidget* over, int delta) {
    QWheelEvent event(QPointF(1, 1), over->mapToGlobal(QPointF(1, 1)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &event);
}

} // namespace

class Viewer : public MainFormFixture {
  protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        WriteCatalogue({{"Cam 1", "http://127.0.0.1:1/one.jpg", "", "5", ""},
                        {"Cam 2", "http://127.0.0.1:1/two.jpg", "", "5", ""},
                        {"Cam 3", "http://127.0.0.1:1/three.jpg", "", "5", ""}});
        WriteKnownVersion("Current Camera=0\r\n");
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
        Preview("Cam 1.BMP", {300, 200});
        Preview("Cam 2.BMP", {40, 30});
        Preview("Cam 3.BMP", {301, 1});
        Start();
        Dialogs().Shown.clear();
    }
    void Preview(const std::string& name, QSize size, QColor color = Qt::darkCyan) {
        SaveImageAsBitmap(Filled(size, color), dir.File("Previews/" + name));
    }
    TViewForm& View() { return *Forms().ViewForm; }
    // The client size the sizing rule gives for the image control as it is.
    QSize ExpectedClient() { return View().Layout().Fit(View().Image1->size()).Client; }
};

// ---- Opening and zooming ------------------------------------------------------

struct ZoomCase {
    const char* name;
    int camera;       // 1-based
    const char* keys; // i/o: menu zoom in/out; w/W: wheel toward/away from the user; r: reopen
    QSize control;
};

class ViewerZoom : public Viewer, public testing::WithParamInterface<ZoomCase> {};

TEST_P(ViewerZoom, ControlAndWindowFollowTheSizingRule) {
    const ZoomCase& c = GetParam();
    Main().description_combo->setCurrentIndex(c.camera - 1);
    Main().description_comboClick();
    View().OpenOnCurrentPreview();
    for (const char* k = c.keys; *k; ++k) {
        switch (*k) {
        case 'i':
            View().Zoom1->trigger();
            break;
        case 'o':
            View().ZoomOut1->trigger();
            break;
        case 'w':
            Wheel(View().ScrollBox1->viewport(), -120);
            break;
        case 'W':
            Wheel(View().Image1, 120);
            break;
        case 'r':
            View().OpenOnCurrentPreview();
            break;
        }
    }
    EXPECT_EQ(View().Image1->size(), c.control);
    EXPECT_EQ(View().Image1->Stretched(), *c.keys && c.keys[std::strlen(c.keys) - 1] != 'r');
    EXPECT_TRUE(View().isVisible());
    EXPECT_EQ(View().size(), ExpectedClient());
    const QRect screen = View().screen()->geometry();
    if (screen.width() >= 1206 + 50 && screen.height() >= 835 + 50 &&
        c.control == QSize(1200, 800)) {
        EXPECT_EQ(View().size(), QSize(1206, 835));
    }
    // Whatever was zoomed, the picture itself keeps its natural size.
    EXPECT_EQ(View().Picture().format(), QImage::Format_BGR888);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewerZoom,
    testing::Values(ZoomCase{"opens_at_natural_size", 1, "", {300, 200}},
                    ZoomCase{"zoomed_in_twice", 1, "ii", {1200, 800}},
                    ZoomCase{"odd_width_zoomed_out_truncates", 3, "o", {150, 0}},
                    ZoomCase{"one_pixel_out_then_in_stays_zero", 3, "oi", {300, 0}},
                    ZoomCase{"reopening_restores_natural_size", 3, "oor", {301, 1}},
                    ZoomCase{"wheel_toward_user_three_times", 2, "www", {320, 240}},
                    ZoomCase{"wheel_away_from_user_halves", 2, "W", {20, 15}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Viewer, OpeningPrefersJpegAndKeepsAVisibleWindowInPlace) {
    Preview("Cam 1.PNG", {50, 20});
    Filled({64, 48}, Qt::red).save(QString::fromStdString(dir.File("Previews/Cam 1.JPG")), "JPG");
    View().OpenOnCurrentPreview();
    EXPECT_EQ(View().Picture().size(), QSize(64, 48));
    EXPECT_EQ(View().Picture().format(), QImage::Format_BGR888);
    EXPECT_EQ(View().urltext->text(), "http://127.0.0.1:1/one.jpg");
    EXPECT_EQ(View().descriptiontext->text(), "Cam 1");
    // Shown from hidden: centred.
    const QScreen* screen = View().screen();
    EXPECT_EQ(View().pos(),
              TWindowPlacement::FrameTopLeft(TPlacement::Centred, View().frameGeometry().size(),
                                             screen->geometry(), screen->availableGeometry()));

    View().move(10, 20);
    Main().nextbuttonClick();
    View().OpenOnCurrentPreview();
    EXPECT_EQ(View().Picture().size(), QSize(40, 30));
    EXPECT_EQ(View().pos(), QPoint(10, 20));
}

TEST_F(Viewer, UnusableOrBrokenPreviewChangesNothing) {
    dir.Write("Previews/Cam 1.BMP", "");
    View().OpenOnCurrentPreview();
    EXPECT_FALSE(View().isVisible());
    EXPECT_TRUE(View().Picture().isNull());

    Main().nextbuttonClick();
    View().OpenOnCurrentPreview();
    const QImage shown = View().Picture();
    View().Zoom1->trigger();
    dir.Write("Previews/Cam 2.BMP", "BM not really a bitmap");
    EXPECT_THROW(View().OpenOnCurrentPreview(), std::exception);
    EXPECT_EQ(View().Picture(), shown);
    EXPECT_TRUE(View().isVisible());
    EXPECT_FALSE(View().Image1->Stretched()); // reset before the decoder failed
}

// ---- Window layout ------------------------------------------------------------

class ViewerButtons : public Viewer, public testing::WithParamInterface<QSize> {};

TEST_P(ViewerButtons, StayInTheBottomRightCornerAfterAResize) {
    View().setFixedSize(GetParam());
    View().show();
    const int w = GetParam().width();
    EXPECT_EQ(View().Panel2->geometry(), QRect(0, GetParam().height() - 29, w, 29));
    EXPECT_EQ(View().Button1->geometry(), QRect(w - 14, 14, 14, 15));
    EXPECT_EQ(View().Button2->geometry(), QRect(w - 28, 14, 14, 15));
    EXPECT_EQ(View().Button3->geometry(), QRect(w - 42, 14, 14, 15));
    EXPECT_EQ(View().ScrollBox1->size(), QSize(w, GetParam().height() - 29));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ViewerButtons,
                         testing::Values(QSize(150, 162), QSize(306, 235), QSize(700, 40)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

// ---- Stepping through the cameras ---------------------------------------------

struct StepCase {
    const char* name;
    int from;  // 1-based camera
    bool next; // ">" or "<"
    int to;
    QSize picture;
};

class ViewerStep : public Viewer, public testing::WithParamInterface<StepCase> {};

TEST_P(ViewerStep, MovesWithTheMainWindowAndPutsThePointerOnTheButton) {
    const StepCase& c = GetParam();
    Main().description_combo->setCurrentIndex(c.from - 1);
    Main().description_comboClick();
    View().OpenOnCurrentPreview();
    const QImage before = View().Picture();
    QCursor::setPos(3, 4);

    (c.next ? View().Button1 : View().Button2)->click();

    EXPECT_EQ(App().Catalogue.Current, c.to);
    EXPECT_EQ(View().Picture().size(), c.picture);
    EXPECT_EQ(View().descriptiontext->text(), "Cam " + QString::number(c.to));
    if (c.from == c.to) {
        EXPECT_EQ(View().Picture(), before);
        EXPECT_EQ(QCursor::pos(), QPoint(3, 4));
    } else {
        QPushButton* pressed = c.next ? View().Button1 : View().Button2;
        EXPECT_EQ(QCursor::pos(), pressed->mapToGlobal(pressed->rect().center()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewerStep,
    testing::Values(StepCase{"next_moves_on", 1, true, 2, {40, 30}},
                    StepCase{"back_moves_back", 2, false, 1, {300, 200}},
                    StepCase{"next_at_the_last_camera_does_nothing", 3, true, 3, {301, 1}},
                    StepCase{"back_at_the_first_camera_does_nothing", 1, false, 1, {300, 200}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Viewer, RefreshWritesDownloadingIntoThePictureThenRunsTheViewAndReopens) {
    View().OpenOnCurrentPreview();
    const int starts = Main().ViewStarts();
    // The View yields to the window system at once; the picture then shows
    // what the user sees while the download runs.
    QImage during;
    SetPendingEventsHook([&] {
        if (during.isNull()) during = View().Picture();
        QCoreApplication::processEvents();
    });
    View().Button3->click();
    SetPendingEventsHook(nullptr);

    EXPECT_EQ(Main().ViewStarts(), starts + 1);
    ASSERT_EQ(during.size(), QSize(300, 200));
    EXPECT_EQ(during.format(), QImage::Format_BGR888);
    EXPECT_TRUE(HasLime(during.copy(100, 80, 100, 40)));
    EXPECT_EQ(during.pixelColor(0, 0), QColor(Qt::darkCyan));
    // Nothing was downloaded: the reopening shows the preview again.
    EXPECT_FALSE(HasLime(View().Picture()));
}

TEST_F(Viewer, NoPreviewIsBlackWithLimeTextAtTheControlSize) {
    View().OpenOnCurrentPreview();
    View().Zoom1->trigger();
    Main().url->setText("http://127.0.0.1/other.jpg");
    View().ShowNoPreview();
    const QImage picture = View().Picture();
    EXPECT_EQ(picture.size(), QSize(600, 400));
    EXPECT_EQ(picture.format(), QImage::Format_BGR888);
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_TRUE(HasLime(picture.copy(200, 180, 200, 40)));
    EXPECT_EQ(View().urltext->text(), "http://127.0.0.1/other.jpg");
    EXPECT_EQ(View().Image1->toolTip(), "No preview image available.\nDownload at least one time.");
}

// ---- Saving, wallpaper, closing ------------------------------------------------

struct SaveCase {
    const char* name;
    std::optional<std::string> answer; // relative to the test's directory
    bool written;
};

class ViewerSave : public Viewer, public testing::WithParamInterface<SaveCase> {};

TEST_P(ViewerSave, WritesTheChosenFileAndConfirmsItsPathAsWritten) {
    const SaveCase& c = GetParam();
    View().OpenOnCurrentPreview();
    const std::string path = c.answer ? dir.File(*c.answer) : "";
    Dialogs().SaveAnswers = {c.answer ? std::optional(QString::fromStdString(path)) : std::nullopt};
    View().SaveAsBMP1->trigger();

    ASSERT_EQ(Dialogs().SaveRequests.size(), 1u);
    const TSaveDialogOptions& o = Dialogs().SaveRequests[0];
    EXPECT_EQ(o.Title, "Save image as BMP file");
    EXPECT_EQ(o.DefaultExt, "BMP");
    EXPECT_EQ(o.FileName, "*.BMP");
    EXPECT_EQ(o.Filter, "*.BMP");
    const auto info = Dialogs().Texts("Information");
    if (c.written) {
        EXPECT_EQ(dir.Read(*c.answer).substr(0, 2), "BM");
        ASSERT_EQ(info.size(), 1u);
        EXPECT_EQ(info[0], "Image has been saved to " + QString::fromStdString(path));
        // The message names the file that was written.
        EXPECT_TRUE(QFile::exists(info[0].mid(QString("Image has been saved to ").size())));
    } else {
        EXPECT_TRUE(info.empty());
        EXPECT_EQ(Dialogs().Texts("ErrorReport").size(), c.answer ? 1u : 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewerSave,
                         testing::Values(SaveCase{"chosen_file", "cam.bmp", true},
                                         SaveCase{"mixed_case_name", "Harbour Cam.Bmp", true},
                                         SaveCase{"cancelled", std::nullopt, false},
                                         SaveCase{"unwritable_reports_without_confirming",
                                                  "missing/dir/cam.bmp", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Viewer, EachWallpaperUseWritesTheNextNumberedFile) {
    TWallpaperRecorder recorder;
    IWallpaperSetter* old = Services().Wallpaper;
    Services().Wallpaper = &recorder;
    const QByteArray oldWindir = qgetenv("windir");
    const bool hadWindir = qEnvironmentVariableIsSet("windir");
    qputenv("windir", QByteArray::fromStdString(dir.File("Windows")));

    View().OpenOnCurrentPreview();
    View().SetAsWallpaperTiled1->trigger();
    View().SetAsWallpaperTiled1->trigger();
    View().SetAsWallpaperCentered1->trigger();

    Services().Wallpaper = old;
    if (hadWindir)
        qputenv("windir", oldWindir);
    else
        qunsetenv("windir");
    const std::string w = dir.File("Windows/");
    EXPECT_EQ(recorder.Calls,
              (std::vector<std::pair<std::string, bool>>{{w + "LMK00000.BMP", true},
                                                         {w + "LMK00001.BMP", true},
                                                         {w + "LMK00002.BMP", false}}));
    EXPECT_EQ(dir.Read("Windows/LMK00001.BMP").substr(0, 2), "BM");
    EXPECT_TRUE(Dialogs().Shown.empty());
}

class ViewerClose : public Viewer, public testing::WithParamInterface<bool> {};

TEST_P(ViewerClose, ClickOrMenuHidesTheViewer) {
    View().OpenOnCurrentPreview();
    ASSERT_TRUE(View().isVisible());
    if (GetParam()) {
        View().Close1->trigger();
    } else {
        QWidget* image = View().Image1;
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                          image->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                            image->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(image, &press);
        QApplication::sendEvent(image, &release);
    }
    EXPECT_FALSE(View().isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ways, ViewerClose, testing::Bool(),
                         [](const auto& info) { return info.param ? "menu" : "image_click"; });

// ---- Keys ----------------------------------------------------------------------

struct ViewerKeyCase {
    const char* name;
    int from; // 1-based camera
    Qt::Key key;
    int current;
    QSize control;
    bool visible;
    int views;
};

class ViewerKeys : public Viewer, public testing::WithParamInterface<ViewerKeyCase> {};

TEST_P(ViewerKeys, ZoomStepRefreshAndClose) {
    const ViewerKeyCase& c = GetParam();
    Main().description_combo->setCurrentIndex(c.from - 1);
    Main().description_comboClick();
    View().OpenOnCurrentPreview();
    View().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&View()));
    QCursor::setPos(3, 4);
    QTest::keyClick(&View(), c.key);
    EXPECT_EQ(App().Catalogue.Current, c.current);
    EXPECT_EQ(View().Image1->size(), c.control);
    EXPECT_EQ(View().isVisible(), c.visible);
    EXPECT_EQ(Main().ViewStarts(), c.views);
    // A key leaves the mouse pointer alone.
    EXPECT_EQ(QCursor::pos(), QPoint(3, 4));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewerKeys,
    testing::Values(
        ViewerKeyCase{"plus_zooms_in", 1, Qt::Key_Plus, 1, {600, 400}, true, 0},
        ViewerKeyCase{"minus_zooms_out", 1, Qt::Key_Minus, 1, {150, 100}, true, 0},
        ViewerKeyCase{"right_is_the_next_camera", 1, Qt::Key_Right, 2, {40, 30}, true, 0},
        ViewerKeyCase{"left_is_the_previous_camera", 2, Qt::Key_Left, 1, {300, 200}, true, 0},
        ViewerKeyCase{"f5_refreshes", 2, Qt::Key_F5, 2, {40, 30}, true, 1},
        ViewerKeyCase{"r_refreshes", 2, Qt::Key_R, 2, {40, 30}, true, 1},
        ViewerKeyCase{"escape_closes", 1, Qt::Key_Escape, 1, {300, 200}, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Fit to window -------------------------------------------------------------

class ViewerFit : public Viewer, public testing::WithParamInterface<QSize> {};

TEST_P(ViewerFit, LargePictureFitsTheWorkAreaWholeUntilTurnedOff) {
    const QSize picture = GetParam();
    Preview("Cam 2.BMP", picture);
    Main().description_combo->setCurrentIndex(1);
    Main().description_comboClick();
    View().OpenOnCurrentPreview();
    View().FitToWindow1->trigger();

    const QSize work = View().screen()->availableGeometry().size();
    const QSize control = View().Image1->size();
    const QSize outer = View().frameGeometry().size();
    EXPECT_TRUE(View().isVisible());
    EXPECT_TRUE(outer.width() <= work.width() && outer.height() <= work.height()) << outer.width();
    // As large as fits: one side reaches the work area's edge.
    EXPECT_TRUE(outer.width() == work.width() || outer.height() == work.height());
    // The same shape, to the pixel lost by rounding down.
    const qint64 skew =
        qint64{control.width()} * picture.height() - qint64{control.height()} * picture.width();
    EXPECT_LE(std::abs(skew), std::max(picture.width(), picture.height()));
    // The scroll box lays out its bars when events are next processed.
    EXPECT_TRUE(WaitFor([&] {
        return !View().ScrollBox1->horizontalScrollBar()->isVisible() &&
               !View().ScrollBox1->verticalScrollBar()->isVisible();
    }));

    // No zooming meanwhile.
    View().Zoom1->trigger();
    Wheel(View().Image1, -120);
    EXPECT_EQ(View().Image1->size(), control);
    EXPECT_EQ(View().Picture().size(), picture);
    // A picture that fits keeps its size.
    View().Button2->click();
    EXPECT_EQ(View().Image1->size(), QSize(300, 200));

    View().Button1->click();
    EXPECT_EQ(View().Image1->size(), control);
    View().FitToWindow1->trigger();
    EXPECT_EQ(View().Image1->size(), picture);
    EXPECT_FALSE(View().Image1->Stretched());
    View().ZoomOut1->trigger();
    EXPECT_EQ(View().Image1->size(), picture / 2);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ViewerFit, testing::Values(QSize(2000, 1000), QSize(500, 3000)),
                         [](const auto& info) {
                             return info.param.width() > 1000 ? "wide" : "tall";
                         });
