// The statistics window: its designed lines before the first refresh, the
// refreshed lines from the counters and the previews' disk space, the
// refresh on showing, and a disk space that stays equal to a walk of the
// folder while Views, the refresh's clean-up and others change it.
#include "tools/statsform.h"

#include "imaging/imagefixtures.h"
#include "imaging/previewfolder.h"
#include "imaging/previewpaths.h"
#include "support/faultserver.h"
#include "support/mainformfixture.h"
#include "tools/oldpreviewremover.h"
#include "util/fileutils.h"
#include "util/textutils.h"

#include <QDir>
#include <functional>
#include <limits>

using namespace lumisk;
using namespace lumisk::test;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

// The five lines from top to bottom.
std::vector<QString> Lines(const TStatsForm& f) {
    return {f.Label2->text(), f.Label1->text(), f.Label3->text(), f.Label4->text(),
            f.Label5->text()};
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

} // namespace

class StatsWindow : public MainFormFixture {};

TEST_F(StatsWindow, ShowsItsDesignedLinesRightAlignedBeforeTheFirstRefresh) {
    const TStatsForm& f = *Forms().StatsForm;
    EXPECT_EQ(f.windowTitle(), "Statistics");
    EXPECT_EQ(f.size(), QSize(174, 92));
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Lines(f),
              (std::vector<QString>{"Bytes this session = 0 Bytes", "Total bytes = 0 Bytes",
                                    "Images this session = 0", "Total images = 0",
                                    "Previews disk space = 0 Bytes"}));
    const QLabel* labels[] = {f.Label2, f.Label1, f.Label3, f.Label4, f.Label5};
    int top = 8;
    for (const QLabel* label : labels) {
        EXPECT_EQ(label->geometry().top(), top) << label->objectName().toStdString();
        EXPECT_EQ(label->geometry().left() + label->geometry().width(), 169);
        EXPECT_TRUE(label->alignment() & Qt::AlignRight);
        // The text fits, so right alignment puts its end at the edge.
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
        top += 16;
    }
}

struct RefreshCase {
    std::string name;
    std::int32_t totalBytes, sessionBytes, totalImages, sessionImages;
    std::vector<std::pair<std::string, int>> previews; // file under Previews/, size
    std::vector<QString> lines;
};

class StatsRefresh : public MainFormFixture, public testing::WithParamInterface<RefreshCase> {};

TEST_P(StatsRefresh, BuildsTheLinesFromTheCountersAndThePreviews) {
    const auto& c = GetParam();
    for (const auto& [name, size] : c.previews) {
        const std::string path = "Previews/" + name;
        QDir().mkpath(QString::fromStdString(dir.File(path.substr(0, path.rfind('/')))));
        dir.Write(path, std::string(static_cast<std::size_t>(size), 'x'));
    }
    App().TotalBytes = c.totalBytes;
    App().SessionBytes = c.sessionBytes;
    App().TotalImages = c.totalImages;
    App().SessionImages = c.sessionImages;
    TStatsForm& f = *Forms().StatsForm;
    f.RefreshStatistics();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(Lines(f), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatsRefresh,
    testing::Values(RefreshCase{"first_run_without_previews",
                                0,
                                0,
                                0,
                                0,
                                {},
                                {"Bytes this session = 0 Bytes", "Total bytes = 0 Bytes",
                                 "Images this session = 0", "Total images = 0",
                                 "Preview disk space = 0 Bytes"}},
                    RefreshCase{"counters_and_nested_previews",
                                3 * 1024 * 1024,
                                999,
                                1234,
                                12,
                                {{"Beach.JPG", 1024}, {".hidden", 512}, {"old/Harbour.bmp", 512}},
                                {"Bytes this session = 999 Bytes", "Total bytes = 3 MB",
                                 "Images this session = 12", "Total images = 1,234",
                                 "Preview disk space = 2 KB"}},
                    RefreshCase{"saturated_counters_read_as_largest",
                                kMax,
                                kMax,
                                kMax,
                                kMax,
                                {},
                                {"Bytes this session = 2 GB", "Total bytes = 2 GB",
                                 "Images this session = 2,147,483,647",
                                 "Total images = 2,147,483,647", "Preview disk space = 0 Bytes"}},
                    RefreshCase{"negative_counters_keep_their_sign",
                                kMin,
                                -5,
                                -1234,
                                -1,
                                {},
                                {"Bytes this session = -5 Bytes", "Total bytes = -2 GB",
                                 "Images this session = -1", "Total images = -1,234",
                                 "Preview disk space = 0 Bytes"}}),
    CaseName<RefreshCase>);

TEST_F(StatsWindow, ShowingRefreshesAndHiddenRefreshesAreKept) {
    TStatsForm& f = *Forms().StatsForm;
    App().SessionImages = 7;
    f.show();
    EXPECT_EQ(f.Label3->text(), "Images this session = 7");
    EXPECT_EQ(f.Label5->text(), "Preview disk space = 0 Bytes");
    f.hide();
    // A download while hidden: the lines are current before the next show.
    App().SessionImages = 8;
    f.RefreshStatistics();
    EXPECT_EQ(f.Label3->text(), "Images this session = 8");
    App().SessionImages = 9;
    f.show();
    EXPECT_EQ(f.Label3->text(), "Images this session = 9");
}

// ---- The disk space follows what changes the previews ------------------------

TEST_F(StatsWindow, DiskSpaceEqualsAWalkAfterViewsRemovalsAndChangesBehindOurBack) {
    TFaultServer server;
    server.On("HEAD", "/a", TFaultReply::Ok("")); // no date: every View downloads
    WriteCatalogue({{"A", server.Url("/a"), "", "5", ""}});
    WriteKnownVersion();
    QDir().mkpath(QString::fromStdString(dir.File("Previews/old")));
    dir.Write("Previews/old/Z.gif", std::string(700, 'z'));
    dir.Write("Previews/old/Y.bmp", std::string(300, 'y'));
    Start();
    TStatsForm& stats = *Forms().StatsForm;
    const std::string previews = PreviewsDirectory();
    auto view = [&](const std::string& body) {
        server.On("GET", "/a", TFaultReply::Ok(body));
        Main().viewbutton->click();
        ASSERT_FALSE(App().DownloadFailed) << Main().Status().toStdString();
    };
    // Each step ends with the refresh the program would make.
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"FirstView", [&] { view(EncodeJpeg(CameraPicture(64, 48))); }},
        {"LargerPictureReplacesIt", [&] { view(EncodeJpeg(CameraPicture(320, 240))); }},
        {"AnotherTypeBesideIt", [&] { view(SimpleGif(40, 30, 40, 30)); }},
        {"OldPreviewsRemoved",
         [&] {
             EXPECT_EQ(TOldPreviewRemover({"A"}).Remove(previews), 2);
             stats.RefreshStatistics();
         }},
        {"AddedBehindOurBack",
         [&] {
             ASSERT_TRUE(WaitForTheClockToPass(previews));
             dir.Write("Previews/X.jpg", std::string(5000, 'x'));
             stats.RefreshStatistics();
         }},
        {"SubdirectoryChangedThenShown",
         [&] {
             dir.Write("Previews/old/W.jpg", std::string(9000, 'w'));
             stats.show();
         }},
    };
    for (const auto& [name, change] : steps) {
        SCOPED_TRACE(name);
        change();
        const std::int64_t walked = DirectoryTreeSize(previews);
        EXPECT_EQ(stats.Label5->text().toStdString(),
                  "Preview disk space = " + ByteSizeText(walked));
        EXPECT_EQ(PreviewFolder().DiskSpace(), walked);
    }
}
