// The thumbnail grid: its layout, cell mapping and captions, the cells it
// paints from real preview files, hovering and clicking as a user would, and
// thumbnails that stay with their cameras through sorting and deleting.
#include "imaging/bmpwriter.h"
#include "imaging/imagefile.h"
#include "imaging/imagefixtures.h"
#include "support/mainformfixture.h"
#include "viewers/thumbnailform.h"
#include "viewers/thumbnails.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

using namespace lumisk;
using namespace lumisk::test;

namespace {

const QColor kRed(220, 20, 20), kBlue(20, 20, 220), kGreen(20, 200, 20), kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0), kLime(0, 255, 0), kLine(192, 192, 192);

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 24 && std::abs(a.green() - b.green()) <= 24 &&
           std::abs(a.blue() - b.blue()) <= 24;
}

// ---- Layout ------------------------------------------------------------------

struct TLayoutCase {
    const char* Name;
    int ClientWidth, Cameras, Columns, Rows;
};

class ThumbnailGridLayout : public testing::TestWithParam<TLayoutCase> {};

TEST_P(ThumbnailGridLayout, ColumnsFromWidthAndOneRowMore) {
    const TLayoutCase& c = GetParam();
    TThumbnailGrid grid;
    grid.Layout(c.ClientWidth, c.Cameras);
    EXPECT_EQ(grid.Columns(), c.Columns);
    EXPECT_EQ(grid.Rows(), c.Rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailGridLayout,
    testing::Values(TLayoutCase{"Width1000IgnoresTheLines", 1000, 11, 5, 3},
                    TLayoutCase{"ExactMultipleLeavesAnEmptyRow", 1000, 10, 5, 3},
                    TLayoutCase{"NarrowerThanACellStillOneColumn", 150, 3, 1, 4},
                    TLayoutCase{"NoWidthAtAll", 0, 2, 1, 3},
                    TLayoutCase{"EmptyCatalogueOneRow", 1000, 0, 5, 1},
                    TLayoutCase{"JustShortOfAColumn", 1199, 5, 5, 2}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TPointCase {
    const char* Name;
    int X, Y, Position; // a 5-column grid of 3 rows
};

class ThumbnailGridCells : public testing::TestWithParam<TPointCase> {};

TEST_P(ThumbnailGridCells, PointToPosition) {
    TThumbnailGrid grid;
    grid.Layout(1100, 11);
    ASSERT_EQ(grid.Columns(), 5);
    EXPECT_EQ(grid.PositionAt(GetParam().X, GetParam().Y), GetParam().Position);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailGridCells,
    testing::Values(TPointCase{"FirstCell", 0, 0, 0},
                    TPointCase{"LineBelongsToItsCell", 200, 200, 0},
                    TPointCase{"NextCellAfterTheLine", 201, 0, 1},
                    TPointCase{"SixthCameraStartsRowOne", 10, 201 + 10, 5},
                    TPointCase{"LastColumnOfRowTwo", 4 * 201 + 199, 2 * 201 + 5, 14},
                    TPointCase{"StripRightOfTheColumnsIsNoCell", 5 * 201 + 20, 201 + 10, -1},
                    TPointCase{"BelowTheLastRowIsNoCell", 10, 3 * 201 + 5, -1},
                    TPointCase{"NegativeIsNoCell", -1, 10, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- The focus frame's moves ------------------------------------------------------

struct TMoveCase {
    const char* Name;
    int From;
    TGridMove Move;
    int PageRows;
    int To;
};

class ThumbnailGridMoves : public testing::TestWithParam<TMoveCase> {};

// Eight cameras in three columns: 0 1 2 / 3 4 5 / 6 7.
TEST_P(ThumbnailGridMoves, StayInsideTheCatalogueAndTheirColumn) {
    const TMoveCase& c = GetParam();
    TThumbnailGrid grid;
    grid.Layout(3 * TThumbnailGrid::kCellSize, 8);
    EXPECT_EQ(grid.Moved(c.From, c.Move, 8, c.PageRows), c.To);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailGridMoves,
    testing::Values(TMoveCase{"RightWrapsToTheNextRow", 2, TGridMove::Right, 1, 3},
                    TMoveCase{"RightAtTheLastStays", 7, TGridMove::Right, 1, 7},
                    TMoveCase{"DownKeepsTheColumn", 1, TGridMove::Down, 1, 4},
                    TMoveCase{"DownOverTheShortLastRowStays", 5, TGridMove::Down, 1, 5},
                    TMoveCase{"PageDownByTwoRows", 0, TGridMove::PageDown, 2, 6},
                    TMoveCase{"PageDownStopsAtTheColumnsLast", 2, TGridMove::PageDown, 2, 5},
                    TMoveCase{"PageUpStopsAtTheColumnsFirst", 7, TGridMove::PageUp, 5, 1},
                    TMoveCase{"EndIsTheLast", 4, TGridMove::End, 1, 7},
                    TMoveCase{"PositionPastTheEndComesBackFirst", 12, TGridMove::Left, 1, 6}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ThumbnailGridMovesEmpty, NoCamerasNoFrame) {
    TThumbnailGrid grid;
    EXPECT_EQ(grid.Moved(0, TGridMove::End, 0, 1), -1);
}

// ---- The window ----------------------------------------------------------------

class ThumbnailFormTest : public MainFormFixture {
  protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
        WriteKnownVersion();
    }
    void TearDown() override {
        SetThumbnailBudget(kDefaultThumbnailBudget);
        MainFormFixture::TearDown();
    }

    // Cameras whose View fails at once (nothing listens on port 9).
    void WriteCameras(const std::vector<std::string>& names) {
        std::vector<TCamera> cameras;
        for (const auto& name : names)
            cameras.push_back({name, "http://127.0.0.1:9/cam.jpg", "", "5", ""});
        WriteCatalogue(cameras);
    }

    void WritePreview(const std::string& file, QColor colour, int width = 320, int height = 240) {
        const std::string path = dir.File("Previews/" + file);
        const QImage picture = SolidPicture(width, height, colour);
        const QString ext = QString::fromStdString(file).section('.', -1).toLower();
        if (ext == "bmp")
            SaveImageAsBitmap(picture, path);
        else if (ext == "gif")
            dir.Write("Previews/" + file, SimpleGif(width, height, width, height));
        else
            ASSERT_TRUE(picture.save(QString::fromStdString(path), ext.toLatin1().constData(), 95));
    }

    TThumbnailForm& Form() { return *Forms().ThumbnailForm; }

    // Opens the grid as the "T" button does, at a size that shows 3 x 2 cells.
    void OpenGrid() {
        Main().Button1->click();
        ASSERT_TRUE(WaitFor([&] { return Form().isVisible(); }));
        Form().showNormal();
        Form().resize(3 * 201 + 40, 2 * 201 + 80);
        ASSERT_TRUE(WaitFor([&] { return Form().Grid().Columns() == 3; }));
    }

    // The client area as painted now.
    QImage Paint() { return Form().DrawGrid1->viewport()->grab().toImage(); }

    QColor CellColour(const QImage& screen, int column, int row, QPoint at = {100, 50}) {
        return screen.pixelColor(Form().DrawGrid1->CellRectOnScreen(column, row).topLeft() + at);
    }

    bool ShowsNoPreview(const QImage& screen, int column, int row) {
        const QRect cell = Form().DrawGrid1->CellRectOnScreen(column, row);
        bool lime = false, elsewhere = false;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                if (screen.pixelColor(x, y) == kBlack) continue;
                const bool inText = x >= cell.left() + 70 && y >= cell.top() + 90 &&
                                    x < cell.left() + 140 && y < cell.top() + 106;
                (inText ? lime : elsewhere) = true;
            }
        return lime && !elsewhere;
    }

    void Mouse(QEvent::Type type, int column, int row) {
        const QPointF at = Form().DrawGrid1->CellRectOnScreen(column, row).center();
        QWidget* target = Form().DrawGrid1->viewport();
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    CameraRecord& Camera(int number) {
        return App().Catalogue.Records[static_cast<std::size_t>(number)];
    }
};

TEST_F(ThumbnailFormTest, OpensMaximizedAndLaysOutFromTheClientWidth) {
    WriteNumberedCatalogue(11);
    Start();
    Main().Button1->click();
    ASSERT_TRUE(WaitFor([&] { return Form().isVisible(); }));
    EXPECT_TRUE(Form().isMaximized());
    EXPECT_EQ(Form().windowTitle(), "Camera thumbnail previews - Click image to load camera");
    EXPECT_EQ(Form().Panel1->height(), 25);

    Form().showNormal();
    // Sizes the window so that the grid's client area is exactly the width wanted.
    for (int wanted : {1000, 150}) {
        for (int attempt = 0; attempt < 3 && Form().DrawGrid1->ClientWidth() != wanted; ++attempt) {
            // A scroll bar that comes or goes changes the client width again.
            const int width = Form().width() + wanted - Form().DrawGrid1->ClientWidth();
            Form().resize(width, 900);
            ASSERT_TRUE(WaitFor([&] { return Form().width() == width; }));
        }
        ASSERT_EQ(Form().DrawGrid1->ClientWidth(), wanted);
        Form().FormResize();
        const int columns = wanted == 1000 ? 5 : 1;
        EXPECT_EQ(Form().Grid().Columns(), columns) << wanted;
        EXPECT_EQ(Form().DrawGrid1->ColCount(), columns);
        EXPECT_EQ(Form().Grid().Rows(), 11 / columns + 1);
        // Five columns with their lines are wider than 1000 pixels.
        EXPECT_TRUE(Form().DrawGrid1->horizontalScrollBar()->maximum() > 0) << wanted;
    }
}

TEST_F(ThumbnailFormTest, CellsShowTheirPreviewsInTheGridOrder) {
    WriteCameras({"Both", "Gif over jpeg", "Only png", "Missing", "Wide"});
    WritePreview("Both.JPG", kBlue);
    WritePreview("Both.BMP", kRed);
    WritePreview("Gif over jpeg.jpg", kBlue);
    WritePreview("Gif over jpeg.GIF", kWhite);
    WritePreview("Only png.PNG", kGreen);
    // Left half red, right half blue: a stretch keeps each half in its place.
    QImage wide = SolidPicture(640, 480, kRed);
    for (int y = 0; y < 480; ++y)
        for (int x = 320; x < 640; ++x)
            wide.setPixelColor(x, y, kBlue);
    ASSERT_TRUE(wide.save(QString::fromStdString(dir.File("Previews/Wide.JPG")), "JPG", 95));
    Start();
    OpenGrid();

    const QImage screen = Paint();
    EXPECT_TRUE(Near(CellColour(screen, 0, 0), kRed));
    EXPECT_TRUE(Near(CellColour(screen, 1, 0), kWhite));
    EXPECT_TRUE(Near(CellColour(screen, 2, 0), kGreen));
    EXPECT_TRUE(ShowsNoPreview(screen, 0, 1));
    EXPECT_TRUE(Near(CellColour(screen, 1, 1, {40, 100}), kRed));
    EXPECT_TRUE(Near(CellColour(screen, 1, 1, {160, 100}), kBlue));
    EXPECT_EQ(CellColour(screen, 2, 1), kBlack); // past the last camera
    EXPECT_EQ(screen.pixelColor(200, 10), kLine);
    EXPECT_EQ(screen.pixelColor(10, 200), kLine);

    const CameraRecord& wideCamera = Camera(5);
    ASSERT_TRUE(wideCamera.thumbnail);
    EXPECT_EQ(wideCamera.thumbnail->size(), QSize(200, 200));
    EXPECT_EQ(wideCamera.thumbnail->depth(), 24);
    EXPECT_FALSE(Camera(4).thumbnail);
    EXPECT_FALSE(Camera(4).thumbnailFailed);
    EXPECT_TRUE(Dialogs().Texts("ErrorReport").empty());
}

TEST_F(ThumbnailFormTest, EmptyCatalogueIsOneBlackRowThatIgnoresTheMouse) {
    WriteCatalogue({});
    Start();
    OpenGrid();
    EXPECT_EQ(Form().Grid().Rows(), 1);
    const QImage screen = Paint();
    EXPECT_EQ(CellColour(screen, 0, 0), kBlack);
    EXPECT_EQ(CellColour(screen, 2, 0, {70, 95}), kBlack);
    Mouse(QEvent::MouseMove, 0, 0);
    EXPECT_TRUE(Form().Panel1->text().isEmpty());
    Mouse(QEvent::MouseButtonPress, 0, 0);
    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(Main().ViewStarts(), 0);
}

struct THoverCase {
    const char* Name;
    int Column, Row;
    const char* Caption;
};

class ThumbnailHover : public ThumbnailFormTest, public testing::WithParamInterface<THoverCase> {};

TEST_P(ThumbnailHover, PanelNamesTheCameraUnderThePointer) {
    WriteCameras({"C:\\Cams\\Harbour", "Norway:Bergen", "Plain camera", "Web\\Cams:Bridge",
                  "<i>Harbour</i>"});
    Start();
    OpenGrid();
    Form().Panel1->setText("left over");
    Mouse(QEvent::MouseMove, GetParam().Column, GetParam().Row);
    const QString caption = QString::fromUtf8(GetParam().Caption);
    EXPECT_EQ(Form().Panel1->text(), caption);
    // Shown whole, as written: room for every character of it.
    EXPECT_GE(Form().Panel1->sizeHint().width(),
              QFontMetrics(Form().Panel1->font()).horizontalAdvance(caption));
}

INSTANTIATE_TEST_SUITE_P(Cases, ThumbnailHover,
                         testing::Values(THoverCase{"BackslashesKept", 0, 0, "C:\\Cams\\Harbour"},
                                         THoverCase{"ColonKept", 1, 0, "Norway:Bergen"},
                                         THoverCase{"PlainText", 2, 0, "Plain camera"},
                                         THoverCase{"ColonAfterBackslashKept", 0, 1,
                                                    "Web\\Cams:Bridge"},
                                         THoverCase{"MarkupShownAsWritten", 1, 1, "<i>Harbour</i>"},
                                         THoverCase{"EmptyCellClears", 2, 1, ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TClickCase {
    const char* Name;
    std::vector<std::string> Cameras;
    int Column, Row;
    int Loaded; // the camera number made current, 0 when the click does nothing
};

class ThumbnailClick : public ThumbnailFormTest, public testing::WithParamInterface<TClickCase> {};

TEST_P(ThumbnailClick, LoadsTheCameraAndStartsAView) {
    const TClickCase& c = GetParam();
    WriteCameras(c.Cameras);
    Start();
    Main().lastbuttonClick();
    const int before = App().Catalogue.Current;
    OpenGrid();
    Mouse(QEvent::MouseButtonPress, c.Column, c.Row);
    if (c.Loaded == 0) {
        EXPECT_EQ(App().Catalogue.Current, before);
        EXPECT_TRUE(Form().isVisible());
        EXPECT_EQ(Main().ViewStarts(), 0);
        return;
    }
    EXPECT_EQ(App().Catalogue.Current, c.Loaded);
    EXPECT_EQ(Main().description_combo->currentIndex(), c.Loaded - 1);
    EXPECT_EQ(Main().description->text(), QString::fromStdString(c.Cameras[c.Loaded - 1]));
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(Main().ViewStarts(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailClick,
    testing::Values(
        TClickCase{"SecondCamera", {"One", "Two", "Three", "Four"}, 1, 0, 2},
        TClickCase{"FourthCameraOnRowOne", {"One", "Two", "Three", "Four"}, 0, 1, 4},
        TClickCase{"EmptyCellDoesNothing", {"One", "Two", "Three", "Four"}, 2, 1, 0},
        TClickCase{"SameNameInOtherCaseLoadsTheFirst", {"Harbour", "HARBOUR", "x"}, 1, 0, 1},
        TClickCase{"BackslashNameLoadsItsCamera", {"C:\\Harbour", "Two", "x"}, 0, 0, 1},
        TClickCase{"ColonNameLoadsItsCamera", {"One", "Norway:Bergen", "x"}, 1, 0, 2},
        TClickCase{
            "NameLoadsItselfNotTheCameraNamedByItsTail", {"C:\\Harbour", "harbour", "x"}, 0, 0, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ThumbnailFormTest, ThumbnailsStayWithTheirCamerasThroughSortAndDelete) {
    WriteCameras({"Zulu", "Alpha", "Mike"});
    WritePreview("Zulu.BMP", kRed);
    WritePreview("Alpha.PNG", kGreen);
    WritePreview("Mike.JPG", kBlue);
    Start();
    OpenGrid();
    QImage screen = Paint();
    ASSERT_TRUE(Near(CellColour(screen, 0, 0), kRed));
    // From here on only the thumbnails themselves can show the colours.
    QDir(QString::fromStdString(dir.File("Previews"))).removeRecursively();
    std::weak_ptr<QImage> zulu = Camera(1).thumbnail;

    Main().sortbuttonClick();
    Form().FormResize();
    screen = Paint();
    EXPECT_TRUE(Near(CellColour(screen, 0, 0), kGreen)); // Alpha
    EXPECT_TRUE(Near(CellColour(screen, 1, 0), kBlue));  // Mike
    EXPECT_TRUE(Near(CellColour(screen, 2, 0), kRed));   // Zulu

    Main().lastbuttonClick(); // Zulu
    Dialogs().ConfirmAnswers = {true};
    Main().delbuttonClick();
    ASSERT_EQ(App().Catalogue.Count, 2);
    EXPECT_TRUE(zulu.expired());
    Form().FormResize();
    screen = Paint();
    EXPECT_TRUE(Near(CellColour(screen, 0, 0), kGreen));
    EXPECT_TRUE(Near(CellColour(screen, 1, 0), kBlue));
    EXPECT_EQ(CellColour(screen, 2, 0), kBlack);
}

TEST_F(ThumbnailFormTest, UndecodablePreviewIsTriedOnceUntilRebuilt) {
    WriteCameras({"Good", "Broken"});
    WritePreview("Good.BMP", kRed);
    dir.Write("Previews/Broken.JPG", "not a picture at all");
    Start();
    OpenGrid();
    EXPECT_TRUE(ShowsNoPreview(Paint(), 1, 0));
    EXPECT_TRUE(Camera(2).thumbnailFailed);

    // A good picture under the same name is not looked at by repaints...
    WritePreview("Broken.JPG", kBlue);
    EXPECT_TRUE(ShowsNoPreview(Paint(), 1, 0));
    EXPECT_FALSE(Camera(2).thumbnail);
    EXPECT_TRUE(Dialogs().Shown.empty());

    // ...only by the rebuild that follows a download.
    BuildThumbnail(1);
    EXPECT_FALSE(Camera(2).thumbnailFailed);
    EXPECT_TRUE(Near(CellColour(Paint(), 1, 0), kBlue));
}

TEST_F(ThumbnailFormTest, RebuildReplacesTheThumbnailAndIgnoresBadPositions) {
    WriteCameras({"Cam"});
    Start();
    OpenGrid();
    EXPECT_TRUE(ShowsNoPreview(Paint(), 0, 0));
    EXPECT_FALSE(Camera(1).thumbnailFailed);

    WritePreview("Cam.GIF", kWhite);
    EnsureThumbnail(0); // a preview that appears later is found by the next paint
    std::weak_ptr<QImage> first = Camera(1).thumbnail;
    ASSERT_FALSE(first.expired());
    QFile::remove(QString::fromStdString(dir.File("Previews/Cam.GIF")));
    WritePreview("Cam.BMP", kRed);
    BuildThumbnail(0);
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(Near(CellColour(Paint(), 0, 0), kRed));

    for (int position : {-1, 1, 1000}) {
        BuildThumbnail(position);
        EnsureThumbnail(position);
    }
    EXPECT_TRUE(Camera(1).thumbnail);
    EXPECT_FALSE(Camera(0).thumbnail); // the scratch slot
}

TEST_F(ThumbnailFormTest, ThumbnailsOverTheBudgetAreDroppedAndRebuiltWhenPaintedAgain) {
    const std::vector<QColor> colours{kRed, kBlue, kGreen, kWhite, kRed, kBlue};
    WriteCameras({"C1", "C2", "C3", "C4", "C5", "C6"});
    for (std::size_t i = 0; i < colours.size(); ++i)
        WritePreview("C" + std::to_string(i + 1) + ".JPG", colours[i]);
    Start();
    SetThumbnailBudget(2 * 200 * 200 * 3);
    OpenGrid();

    for (int pass = 0; pass < 2; ++pass) {
        const std::uint64_t decoded = ImageFilesDecoded();
        const QImage screen = Paint();
        for (int i = 0; i < 6; ++i)
            EXPECT_TRUE(
                Near(CellColour(screen, i % 3, i / 3), colours[static_cast<std::size_t>(i)]))
                << "pass " << pass << " cell " << i;
        // Only the two painted last are kept; every other one was dropped
        // and, on the second pass, built again from its preview.
        EXPECT_EQ(ImageFilesDecoded() - decoded, 6u) << pass;
        EXPECT_LE(ThumbnailBytesKept(), ThumbnailBudget());
        for (int number = 1; number <= 6; ++number)
            EXPECT_EQ(static_cast<bool>(Camera(number).thumbnail), number >= 5) << number;
    }
    EXPECT_TRUE(Dialogs().Texts("ErrorReport").empty());
}

} // namespace

TEST_F(ThumbnailFormTest, KeysMoveAFrameIntoViewAndEnterLoadsItsCamera) {
    WriteCameras({"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "C10"});
    Start();
    Main().nextbuttonClick(); // camera 2 current: the frame starts there
    OpenGrid();
    Form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
    EXPECT_EQ(Form().FocusPosition(), 1);
    const QColor frame(255, 255, 0);
    // Drawn from the first key on: the mouse user sees the grid as before.
    EXPECT_NE(CellColour(Paint(), 1, 0, {1, 1}), frame);

    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Left, Qt::Key_Down})
        QTest::keyClick(Form().DrawGrid1, key);
    EXPECT_EQ(Form().FocusPosition(), 9);
    EXPECT_EQ(Form().Panel1->text(), "C10");
    // Scrolled just enough to show the framed cell whole.
    const QRect cell = Form().DrawGrid1->CellRectOnScreen(0, 3);
    EXPECT_TRUE(Form().DrawGrid1->viewport()->rect().contains(cell));
    EXPECT_EQ(CellColour(Paint(), 0, 3, {1, 1}), frame);

    QTest::keyClick(Form().DrawGrid1, Qt::Key_Return);
    EXPECT_EQ(App().Catalogue.Current, 10);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(Main().ViewStarts(), 1);
}
