// The batch preview refresh: the clean-up rule on its own, then whole runs of
// the window against a real nginx and our fault server, driven through the
// main window as the program does.
#include "catalogue/settings.h"
#include "imaging/imagefixtures.h"
#include "support/faultserver.h"
#include "support/mainformfixture.h"
#include "support/nginxserver.h"
#include "tools/oldpreviewremover.h"
#include "tools/refreshpreviews.h"
#include "viewers/viewform.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

// Writes name (which may hold subdirectories) below root.
void WriteBelow(const TTempDir& root, const std::string& name, const std::string& bytes) {
    const std::string path = root.File(name);
    QDir().mkpath(QString::fromStdString(path.substr(0, path.rfind('/'))));
    root.Write(name, bytes);
}

// Every file below directory, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& directory) {
    std::vector<std::string> names;
    const QDir root(QString::fromStdString(directory));
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.push_back(root.relativeFilePath(it.next()).toStdString());
    std::sort(names.begin(), names.end());
    return names;
}

std::string BrightJpeg() {
    return EncodeJpeg(CameraPicture(64, 48));
}
std::string Grey(int level) {
    return EncodePng(SolidPicture(8, 8, QColor(level, level, level)));
}

} // namespace

// ---- The clean-up rule -------------------------------------------------------

struct RemovalCase {
    const char* name;
    std::vector<std::string> cameras;
    std::vector<std::string> files; // below the previews directory
    std::vector<std::string> kept;  // sorted
};

class OldPreviewRemoval : public testing::TestWithParam<RemovalCase> {};

TEST_P(OldPreviewRemoval, RemovesExactlyTheOldFiles) {
    const RemovalCase& c = GetParam();
    TTempDir previews;
    for (const std::string& f : c.files)
        WriteBelow(previews, f, "x");
    std::vector<std::int32_t> progress;
    const std::int32_t removed = TOldPreviewRemover(c.cameras).Remove(
        previews.Path(), [&](std::int32_t n) { progress.push_back(n); });
    EXPECT_EQ(FilesBelow(previews.Path()), c.kept);
    const auto expectRemoved = static_cast<std::int32_t>(c.files.size() - c.kept.size());
    EXPECT_EQ(removed, expectRemoved);
    ASSERT_EQ(progress.size(), static_cast<std::size_t>(expectRemoved));
    for (std::size_t i = 0; i < progress.size(); ++i)
        EXPECT_EQ(progress[i], static_cast<std::int32_t>(i + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Rule, OldPreviewRemoval,
    testing::Values(
        RemovalCase{"BitmapAndUnknownCameraGoTheMatchGifStays",
                    {"A", "B"},
                    {"A.jpg", "B.bmp", "Z.gif"},
                    {"A.jpg"}},
        RemovalCase{"ExtensionsInAnyCase",
                    {"Cam"},
                    {"Cam.JPG", "Cam.Png", "Cam.gIf", "Cam.BmP", "Old.JpG", "Old.PNG"},
                    {"Cam.JPG", "Cam.Png", "Cam.gIf"}},
        RemovalCase{"NameMatchesWithoutRegardToCase",
                    {"Harbour Cam"},
                    {"Harbour Cam.JPG", "harbour cam.JPG", "HARBOUR CAM.png", "Harbour Cams.jpg"},
                    {"HARBOUR CAM.png", "Harbour Cam.JPG", "harbour cam.JPG"}},
        RemovalCase{
            "SubdirectoriesAreCleared",
            {"Cam", "sub"},
            {"sub/Cam.jpg", "sub/x.bmp", "sub/deeper/Cam.PNG", "sub/notes.txt", ".hidden/Cam.gif"},
            {"sub/notes.txt"}},
        RemovalCase{"OtherFilesStay",
                    {"Cam"},
                    {"notes.txt", "Cam.jpeg", "gif", "Thumbs.db", "Cam.JPG.txt", "jpg"},
                    {"Cam.JPG.txt", "Cam.jpeg", "Thumbs.db", "gif", "jpg", "notes.txt"}},
        RemovalCase{"UnsafeDescriptionsUseTheirSafeName",
                    {"a/b:c?", "..", ""},
                    {"a_b_c_.GIF", "a/b:c?.GIF", "__.PNG", ".JPG", "..JPG"},
                    {".JPG", "__.PNG", "a_b_c_.GIF"}},
        RemovalCase{"EmptyCatalogueRemovesEveryPicture",
                    {},
                    {"A.jpg", "B.GIF", "C.png", "keep.me"},
                    {"keep.me"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OldPreviewRemovalOrder, BitmapsGoFirst) {
    TTempDir previews;
    for (const char* f : {"a.jpg", "b.bmp", "c.png", "d.BMP"})
        previews.Write(f, "x");
    std::vector<std::string> gone;
    TOldPreviewRemover({}).Remove(previews.Path(), [&](std::int32_t) {
        for (const char* f : {"a.jpg", "b.bmp", "c.png", "d.BMP"})
            if (!previews.Exists(f) &&
                std::find(gone.begin(), gone.end(), std::string(f)) == gone.end())
                gone.push_back(f);
    });
    EXPECT_EQ(gone, (std::vector<std::string>{"b.bmp", "d.BMP", "a.jpg", "c.png"}));
}

TEST(OldPreviewRemovalLinks, FilesBehindALinkLeadingOutAreLeftAlone) {
    TTempDir previews, elsewhere;
    elsewhere.Write("holiday.jpg", "x");
    elsewhere.Write("scan.bmp", "x");
    previews.Write("stray.bmp", "x");
    ASSERT_EQ(::symlink(elsewhere.Path().c_str(), previews.File("photos").c_str()), 0);
    EXPECT_EQ(TOldPreviewRemover({}).Remove(previews.Path()), 1);
    EXPECT_TRUE(elsewhere.Exists("holiday.jpg") && elsewhere.Exists("scan.bmp"));
    EXPECT_FALSE(previews.Exists("stray.bmp"));
}

TEST(OldPreviewRemovalMissing, MissingDirectoryRemovesNothing) {
    TTempDir t;
    EXPECT_EQ(TOldPreviewRemover({"A"}).Remove(t.File("nothing/")), 0);
}

// ---- Whole runs ---------------------------------------------------------------

class RefreshRun : public MainFormFixture {
  protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    }
    // Starts the program with these cameras and opens the refresh window.
    void Open(const std::vector<TCamera>& cameras) {
        WriteCatalogue(cameras);
        WriteKnownVersion();
        Start();
        QObject::connect(Refresh().stats, &QStatusBar::messageChanged,
                         [this](const QString& text) { statuses.push_back(text); });
        Main().Refreshallpreviewimages1Click();
        Dialogs().Shown.clear();
    }
    TRefreshPreviews& Refresh() { return *Forms().RefreshPreviews; }
    std::string Preview(const std::string& name) { return dir.Read("Previews/" + name); }
    std::vector<QString> FailedList() {
        std::vector<QString> items;
        for (int i = 0; i < Refresh().ListBox1->count(); ++i)
            items.push_back(Refresh().ListBox1->item(i)->text());
        return items;
    }
    void ExpectIdle() {
        EXPECT_EQ(Refresh().Button1->text(), "Update");
        EXPECT_TRUE(Refresh().ListBox1->isEnabled());
        EXPECT_TRUE(Refresh().updatestyle->isEnabled());
    }
    std::vector<QString> statuses;
};

TEST_F(RefreshRun, WindowIsBuiltIdleWithTheFirstStyle) {
    Open({{"A", "", "", "", ""}, {"B", "", "", "", ""}});
    TRefreshPreviews& r = Refresh();
    EXPECT_EQ(r.windowTitle(), "Preview Images Refresh");
    EXPECT_EQ(r.updatestyle->count(), 3);
    EXPECT_EQ(r.updatestyle->currentText(), "All preview images");
    EXPECT_EQ(r.updatestyle->itemText(1), "Cameras without preview image");
    EXPECT_EQ(r.updatestyle->itemText(2), "Dark shaded images");
    EXPECT_EQ(r.Edit1->text(), "2");
    for (QLineEdit* e : {r.Edit2, r.Edit3, r.Edit4, r.Edit5}) {
        EXPECT_EQ(e->text(), "0");
        EXPECT_FALSE(e->isEnabled());
    }
    EXPECT_FALSE(r.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(r.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(r.minimumSize(), r.maximumSize());
    ExpectIdle();
    // The window sits at the top right of the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(r.frameGeometry().right(), screen.right());
    EXPECT_EQ(r.frameGeometry().top(), screen.top());
}

TEST_F(RefreshRun, EmptyCatalogueOnlyClearsThePreviews) {
    dir.Write("Previews/x.jpg", "x");
    dir.Write("Previews/y.bmp", "x");
    Open({});
    Refresh().Button1->click();
    EXPECT_EQ(Refresh().Edit1->text(), "0");
    EXPECT_EQ(Refresh().Edit3->text(), "2");
    EXPECT_FALSE(dir.Exists("Previews/x.jpg") || dir.Exists("Previews/y.bmp"));
    EXPECT_EQ(Refresh().stats->currentMessage(), "0 updated in 00:00:00");
    EXPECT_EQ(Main().ViewStarts(), 0);
    ExpectIdle();
}

// An empty preview: the panel shows "no preview" for it, the dark measure
// cannot decode it.
TEST_F(RefreshRun, UndecodablePreviewUnderDarkStyleIsReportedAndLeavesTheWindowIdle) {
    dir.Write("Previews/Cam 1.JPG", "");
    Open({{"Cam 1", "http://127.0.0.1:9/a.jpg", "", "", ""},
          {"Cam 2", "http://127.0.0.1:9/b.jpg", "", "", ""}});
    Refresh().updatestyle->setCurrentIndex(2);
    Refresh().Button1->click();
    const auto reports = Dialogs().Texts("ErrorReport");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].startsWith("Invalid JPG image")) << reports[0].toStdString();
    EXPECT_EQ(Main().ViewStarts(), 0);
    ExpectIdle();
    EXPECT_EQ(Refresh().updatestyle->currentIndex(), 2);
}

// ---- Runs against nginx --------------------------------------------------------

class RefreshFromNginx : public RefreshRun {
  protected:
    void SetUp() override {
        if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
        RefreshRun::SetUp();
        QDir().mkpath(QString::fromStdString(www.Path()));
        nginx = std::make_unique<TNginx>(www.Path());
    }
    // Cameras "Cam 1".."Cam n", each served the same bright JPEG.
    void OpenNumbered(int n) {
        std::vector<TCamera> cameras;
        for (int i = 1; i <= n; ++i) {
            www.Write("cam" + std::to_string(i) + ".jpg", served);
            cameras.push_back({"Cam " + std::to_string(i),
                               nginx->Url("/cam" + std::to_string(i) + ".jpg"), "", "", ""});
        }
        Open(cameras);
    }
    bool Refreshed(int k) {
        const std::string name = "Cam " + std::to_string(k) + ".JPG";
        return dir.Exists("Previews/" + name) && Preview(name) == served;
    }
    TTempDir www;
    std::unique_ptr<TNginx> nginx;
    const std::string served = BrightJpeg();
};

struct StyleCase {
    const char* name;
    int style;
    std::vector<std::pair<std::string, std::string>> previews; // file, bytes
    std::vector<int> refreshed;                                // camera numbers
    int removed;
};

class RefreshStyle : public RefreshFromNginx, public testing::WithParamInterface<StyleCase> {};

TEST_P(RefreshStyle, DownloadsExactlyTheSelectedCameras) {
    const StyleCase& c = GetParam();
    for (const auto& [file, bytes] : c.previews)
        dir.Write("Previews/" + file, bytes);
    OpenNumbered(5);
    Refresh().updatestyle->setCurrentIndex(c.style);
    Refresh().Button1->click();

    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(Refreshed(k),
                  std::find(c.refreshed.begin(), c.refreshed.end(), k) != c.refreshed.end())
            << "Cam " << k;
    const auto n = static_cast<int>(c.refreshed.size());
    EXPECT_EQ(Main().ViewStarts(), n);
    EXPECT_EQ(Refresh().Edit1->text(), "5");
    EXPECT_EQ(Refresh().Edit2->text(), QString::number(n));
    EXPECT_EQ(Refresh().Edit3->text(), QString::number(c.removed));
    EXPECT_EQ(Refresh().Edit4->text(), "0");
    EXPECT_TRUE(QRegularExpression(QString("^%1 updated in 00:00:\\d\\d$").arg(n))
                    .match(Refresh().stats->currentMessage())
                    .hasMatch())
        << Refresh().stats->currentMessage().toStdString();
    EXPECT_FALSE(Forms().ViewForm->isVisible());
    EXPECT_EQ(App().Catalogue.Current, 1);
    ExpectIdle();
}

const std::string kBlack = EncodeJpeg(SolidPicture(16, 16, Qt::black));
const std::string kMidGrey = EncodeJpeg(SolidPicture(16, 16, QColor(128, 128, 128)));

INSTANTIATE_TEST_SUITE_P(
    Styles, RefreshStyle,
    testing::Values(StyleCase{"AllPreviews",
                              0,
                              {{"Cam 2.JPG", kMidGrey}, {"Gone Cam.JPG", kMidGrey}},
                              {1, 2, 3, 4, 5},
                              1},
                    StyleCase{"OnlyCamerasWithoutPreview",
                              1,
                              {{"Cam 1.JPG", kMidGrey},
                               {"Cam 3.png", Grey(200)},
                               {"Cam 4.gif", SimpleGif(4, 4, 4, 4)}},
                              {2, 5},
                              0},
                    // A camera whose only preview was a bitmap loses it first, so it counts
                    // as one without a preview.
                    StyleCase{"BitmapPreviewIsRemovedThenFetched",
                              1,
                              {{"Cam 1.JPG", kMidGrey},
                               {"Cam 2.BMP", "x"},
                               {"Cam 3.JPG", kMidGrey},
                               {"Cam 4.JPG", kMidGrey},
                               {"Cam 5.JPG", kMidGrey}},
                              {2},
                              1},
                    // 38 grey measures 14.9, 39 grey 15.3: the threshold lies between.
                    StyleCase{"DarkShadedBelowFifteen",
                              2,
                              {{"Cam 1.JPG", kBlack},
                               {"Cam 2.JPG", kMidGrey},
                               {"Cam 4.PNG", Grey(38)},
                               {"Cam 5.PNG", Grey(39)}},
                              {1, 4},
                              0},
                    // The panel shows a ".jpg" before a ".png": that picture is judged.
                    StyleCase{"DarkShadedJudgesThePanelsPicture",
                              2,
                              {{"Cam 1.JPG", kBlack},
                               {"Cam 1.PNG", Grey(200)},
                               {"Cam 2.jpg", kMidGrey},
                               {"Cam 2.png", Grey(0)}},
                              {1},
                              0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RefreshFromNginx, CountersFailedListAndProgressTexts) {
    TFaultServer faults;
    const std::string dated = "Mon, 07 Nov 1994 08:49:37 GMT";
    faults.On("HEAD", "/skip", TFaultReply::Ok("", "Last-Modified: " + dated + "\r\n"));
    const std::string jpeg = BrightJpeg();
    faults.On("GET", "/cut", TFaultReply::Ok(jpeg.substr(0, jpeg.size() / 2)));
    www.Write("good.jpg", served);
    // The skipped camera keeps its date only while it has a preview.
    dir.Write("Previews/Skip Cam.JPG", kMidGrey);
    Open({{"Good Cam", nginx->Url("/good.jpg"), "", "", ""},
          {"Missing Cam", nginx->Url("/missing.jpg"), "", "", ""},
          {"Skip Cam", faults.Url("/skip"), "", "", dated},
          {"Cut Cam", faults.Url("/cut"), "", "", ""}});
    Refresh().Button1->click();

    EXPECT_EQ(Refresh().Edit2->text(), "1");
    EXPECT_EQ(Refresh().Edit4->text(), "2");
    EXPECT_EQ(Refresh().Edit5->text(), "1");
    EXPECT_EQ(FailedList(), (std::vector<QString>{"Missing Cam", "Cut Cam"}));
    EXPECT_EQ(Preview("Skip Cam.JPG"), kMidGrey);

    // The texts of the run, in order.
    std::vector<QString> mine;
    const QRegularExpression progress("^Refreshed (\\d) of 4 in 00:00:\\d\\d$");
    for (const QString& s : statuses)
        if (s == "Removing old preview files" || s == "Refreshing previews" ||
            progress.match(s).hasMatch() || s.contains(" updated in "))
            mine.push_back(QString(s).replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d$"), "T"));
    EXPECT_EQ(mine, (std::vector<QString>{"Removing old preview files", "Refreshing previews",
                                          "Refreshed 1 of 4 in T", "Refreshed 2 of 4 in T",
                                          "Refreshed 3 of 4 in T", "Refreshed 4 of 4 in T",
                                          "1 updated in T"}));

    // A click on a failed camera makes it current; no selection does nothing.
    ASSERT_EQ(App().Catalogue.Current, 1);
    Refresh().ListBox1->clearSelection();
    Refresh().ListBox1Click();
    EXPECT_EQ(App().Catalogue.Current, 1);
    Refresh().ListBox1->setCurrentRow(1);
    emit Refresh().ListBox1->itemClicked(Refresh().ListBox1->item(1));
    EXPECT_EQ(App().Catalogue.Current, 4);
    EXPECT_EQ(Main().description->text(), "Cut Cam");

    // Showing the window again starts from clean displays.
    Refresh().hide();
    Refresh().show();
    EXPECT_TRUE(FailedList().empty());
    EXPECT_EQ(Refresh().Edit4->text(), "0");
    EXPECT_EQ(Refresh().stats->currentMessage(), "");
}

// ---- Stopping ------------------------------------------------------------------

struct StopCase {
    const char* name;
    void (*stop)(TRefreshPreviews&);
};

class RefreshStop : public RefreshRun, public testing::WithParamInterface<StopCase> {};

TEST_P(RefreshStop, EndsTheRunDuringADownload) {
    TFaultServer server;
    const std::string jpeg = BrightJpeg();
    server.On("", "/first", TFaultReply::Ok(jpeg));
    TFaultReply drip = TFaultReply::Ok(std::string(4000000, 'x'));
    drip.ChunkBytes = 1000;
    drip.ChunkDelayMs = 20; // 80 seconds if nobody stops it
    server.On("GET", "/slow", drip);
    server.On("", "/never", TFaultReply::Ok(jpeg));
    Open({{"Cam 1", server.Url("/first"), "", "", ""},
          {"Cam 2", server.Url("/slow"), "", "", ""},
          {"Cam 3", server.Url("/never"), "", "", ""}});

    bool stopped = false;
    QElapsedTimer sinceStop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (stopped || Main().description->text() != "Cam 2" || !Main().Status().contains("% - "))
            return;
        stopped = true;
        EXPECT_EQ(Refresh().Button1->text(), "Stop");
        EXPECT_FALSE(Refresh().ListBox1->isEnabled() || Refresh().updatestyle->isEnabled());
        sinceStop.start();
        GetParam().stop(Refresh());
        EXPECT_EQ(Refresh().Button1->text(), "Stopping");
        EXPECT_TRUE(App().AbortRequested);
    });
    poll.start(10);
    Refresh().Button1Click();
    poll.stop();

    ASSERT_TRUE(stopped);
    EXPECT_LT(sinceStop.elapsed(), 3000);
    EXPECT_EQ(Refresh().stats->currentMessage(), "Preview update stopped");
    EXPECT_EQ(Refresh().Edit2->text().toInt() + Refresh().Edit4->text().toInt(), 2);
    for (const TFaultRequest& r : server.Requests())
        EXPECT_NE(r.Target, "/never");
    EXPECT_EQ(App().Catalogue.Current, 1);
    EXPECT_EQ(Main().viewbutton->text(), "View");
    ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, RefreshStop,
    testing::Values(StopCase{"StopButton", [](TRefreshPreviews& r) { r.Button1->click(); }},
                    StopCase{"WindowHidden", [](TRefreshPreviews& r) { r.hide(); }},
                    StopCase{"WindowClosed", [](TRefreshPreviews& r) { r.close(); }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- First run -----------------------------------------------------------------

class RefreshFirstRun : public RefreshFromNginx {};

TEST_F(RefreshFirstRun, RunsEveryCameraFromTheTopRightAndSaysSo) {
    www.Write("a.jpg", served);
    www.Write("b.jpg", served);
    WriteCatalogue(
        {{"Cam 1", nginx->Url("/a.jpg"), "", "", ""}, {"Cam 2", nginx->Url("/b.jpg"), "", "", ""}});
    dir.Write("orvane.ini", "[Settings]\r\nVersion Flag=Lumisk version 0.9\r\n");
    QRect placed;
    bool visibleAtTheEnd = true;
    Dialogs().OnShow = [&](const TShownDialog& d) {
        if (d.Kind == "Information" && d.Text.startsWith("Welcome"))
            QTimer::singleShot(0, [] { Forms().Settings->hide(); });
        if (d.Text == "All preview images have now been updated.") {
            placed = Refresh().frameGeometry();
            visibleAtTheEnd = Refresh().isVisible();
        }
    };
    Dialogs().ConfirmAnswers = {true};
    Start();
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto info = Dialogs().Texts("Information");
            return !info.empty() && info.back() == "All preview images have now been updated.";
        },
        30000));
    EXPECT_TRUE(Refreshed(1) && Refreshed(2));
    EXPECT_EQ(Refresh().Edit2->text(), "2");
    EXPECT_FALSE(visibleAtTheEnd);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(placed.top(), screen.top());
    EXPECT_EQ(placed.right(), screen.right());
    EXPECT_EQ(Refresh().updatestyle->currentIndex(), 0);
    ExpectIdle();
}
