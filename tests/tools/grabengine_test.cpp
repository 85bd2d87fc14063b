// The grab engine without any window, downloading by the rules of a View
// from a real nginx (and from the fault server for a slow download): which
// pictures become frames, skips, the maximum, a frame name taken meanwhile,
// and a stop during a download. Then, on clocks that move only while the
// grab waits: the delay in seconds against the spacing floor, the capture
// hours, the disk guard on a fake disk, and stamped frames.
#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "imaging/imagefixtures.h"
#include "support/faultserver.h"
#include "support/nginxserver.h"
#include "support/tempdir.h"
#include "tools/cameradownload.h"
#include "tools/grabengine.h"
#include "tools/timelapsegrab.h"
#include "util/datadirectory.h"
#include "util/fileutils.h"
#include "util/services.h"
#include "util/tickcount.h"

#include <QDir>
#include <array>
#include <gtest/gtest.h>
#include <utime.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

// One download: which picture the camera serves, and whether its date moves on.
struct TServe {
    int Picture;
    bool NewDate = true;
};

// The engine's host: camera 1 downloaded by a View's rules; downloads beyond
// the served list stop the grab.
class TTestGrab : public IGrabHost {
  public:
    explicit TTestGrab(bool dateSkip) : Download_(Settings(dateSkip)) { Engine.SpacingMs = 0; }
    static TSettingsValues Settings(bool dateSkip) {
        TSettingsValues settings;
        settings.DateSkip = dateSkip;
        return settings;
    }
    TGrabEngine Engine{*this};
    TCameraDownload Download_;
    TFetchResult Result;
    std::vector<TServe> Served;
    std::function<void(const TServe&)> Serve;
    std::optional<std::int64_t> Delay;
    std::optional<std::int32_t> Maximum;
    int Pauses = 0;
    std::function<void(const std::string&)> OnStatus;

    bool DeletePreviousFrames(std::size_t) override { return false; }
    std::optional<std::int64_t> DelayMs() override {
        return Maximum && Engine.UniqueFrames() == *Maximum ? Delay : std::nullopt;
    }
    std::optional<std::int32_t> MaximumFrames() override { return Maximum; }
    TGrabDownload Download() override {
        if (downloads_ == Served.size()) {
            Engine.RequestStop();
            return TGrabDownload::Nothing;
        }
        if (Serve) Serve(Served[downloads_]);
        ++downloads_;
        Result = Download_.Run(App().Catalogue.Records[1]);
        if (Result.Outcome == TFetchOutcome::Updated) return TGrabDownload::Image;
        if (Result.Outcome == TFetchOutcome::Skipped) return TGrabDownload::Skipped;
        return TGrabDownload::Nothing;
    }
    QImage DownloadedPicture() override { return *DecodeImageFile(Result.PreviewPath); }
    // No test waits: a wait that starts ends the grab.
    void Pause(std::int64_t) override {
        ++Pauses;
        Engine.RequestStop();
    }
    void Status(const std::string& text) override {
        if (OnStatus) OnStatus(text);
    }

  private:
    std::size_t downloads_ = 0;
};

const QColor kColours[] = {QColor(200, 30, 30), QColor(30, 30, 200), QColor(30, 200, 30)};

class GrabEngine : public testing::Test {
  protected:
    void SetUp() override {
        SetDataDirectory(dir.Path());
        ResetAppState();
    }
    void AddCamera(const std::string& url) {
        App().Catalogue.Append();
        App().Catalogue.Records[1].SetFields("Harbour Cam", url, "", "5", "");
    }
    QStringList Files(const char* folder, QDir::Filters filter = QDir::Files) {
        return QDir(QString::fromStdString(dir.File(folder))).entryList(filter, QDir::Name);
    }
    TTempDir dir;
};

struct TGrabCase {
    const char* Name;
    std::vector<TServe> Served;
    bool DateSkip;
    std::optional<std::int32_t> Maximum;
    std::array<int, 4> Counts; // images, kept, skipped, duplicates
    std::vector<int> Frames;   // the picture of FRA00000.BMP, FRA00001.BMP, ...
};

class GrabEngineCases : public GrabEngine, public testing::WithParamInterface<TGrabCase> {};

TEST_P(GrabEngineCases, KeepsWhatChangedAndCountsTheRest) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    const TGrabCase& c = GetParam();
    TTempDir www;
    TNginx nginx(www.Path());
    AddCamera(nginx.Url("/cam.jpg"));
    TTestGrab grab(c.DateSkip);
    grab.Served = c.Served;
    grab.Maximum = c.Maximum;
    // A long delay after the frame that reaches the maximum: the grab must
    // end without waiting it out.
    grab.Delay = 600000;
    grab.Engine.WaitAfterLastFrame = false;
    int dates = 0;
    grab.Serve = [&](const TServe& s) {
        www.Write("cam.jpg", EncodeJpeg(SolidPicture(32, 24, kColours[s.Picture])));
        dates += s.NewDate;
        const time_t when = time(nullptr) - 1000 + dates * 10;
        const struct utimbuf t { when, when };
        utime(www.File("cam.jpg").c_str(), &t);
    };
    grab.Engine.Run();

    const std::array<int, 4> counts = {grab.Engine.ImagesDownloaded(), grab.Engine.UniqueFrames(),
                                       grab.Engine.SkippedDownloads(),
                                       grab.Engine.DuplicatesDropped()};
    EXPECT_EQ(counts, c.Counts);
    EXPECT_EQ(grab.Pauses, 0);
    const QStringList frames = Files("Frames", QDir::Files | QDir::Hidden);
    ASSERT_EQ(frames.size(), static_cast<qsizetype>(c.Frames.size()))
        << frames.join(" ").toStdString();
    for (std::size_t k = 0; k < c.Frames.size(); ++k) {
        const QString name = QString("FRA%1.BMP").arg(k, 5, 10, QChar('0'));
        EXPECT_EQ(frames[static_cast<qsizetype>(k)], name);
        const QImage frame(QString::fromStdString(dir.File("Frames/")) + name);
        EXPECT_LE(MaxDifference(frame, SolidPicture(32, 24, kColours[c.Frames[k]])), 8)
            << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabEngineCases,
    testing::Values(
        TGrabCase{"IdenticalPictureIsDroppedAndItsNumberReused",
                  {{0}, {0}, {1}},
                  false,
                  {},
                  {3, 2, 0, 1},
                  {0, 1}},
        TGrabCase{"UnchangedDateIsSkipped", {{0}, {0, false}, {1}}, true, {}, {2, 2, 1, 0}, {0, 1}},
        TGrabCase{
            "MaximumEndsRightAfterTheLastFrame", {{0}, {1}, {2}}, false, 2, {2, 2, 0, 0}, {0, 1}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GrabEngine, AFrameNameTakenMeanwhileIsNeverReplaced) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    TTempDir www;
    TNginx nginx(www.Path());
    www.Write("cam.jpg", EncodeJpeg(SolidPicture(32, 24, kColours[0])));
    AddCamera(nginx.Url("/cam.jpg"));
    TTestGrab grab(false);
    grab.Served = {{0}};
    // Another grab of the same folder keeps its frame between this one's
    // choice of the name and its rename.
    grab.OnStatus = [&](const std::string& text) {
        if (text == "Comparing files") dir.Write("Frames/FRA00000.BMP", "other");
    };
    grab.Engine.Run();
    EXPECT_EQ(Files("Frames", QDir::Files | QDir::Hidden),
              (QStringList{"FRA00000.BMP", "FRA00001.BMP"}));
    EXPECT_EQ(dir.Read("Frames/FRA00000.BMP"), "other");
    EXPECT_EQ(grab.Engine.PreviousFrameFile(), dir.File("Frames/FRA00001.BMP"));
}

TEST_F(GrabEngine, StopDuringADownloadAbandonsItAndLeavesNoFile) {
    TFaultServer server;
    TFaultReply slow = TFaultReply::Ok(EncodeJpeg(SolidPicture(64, 48, kColours[0])));
    slow.ChunkBytes = 16;
    slow.ChunkDelayMs = 100; // the whole body would take many seconds
    server.On("", "/cam.jpg", slow);
    AddCamera(server.Url("/cam.jpg"));
    TTestGrab grab(false);
    grab.Served = {{0}, {0}};
    grab.Serve = nullptr;
    // The stop comes as a signal's would: noticed while the download waits.
    grab.Download_.StopRequested = [&] {
        for (const TFaultRequest& request : server.Requests())
            if (request.Method == "GET") grab.Engine.RequestStop();
        return grab.Engine.StopRequested();
    };
    const std::int64_t start = TickMilliseconds();
    grab.Engine.Run();
    EXPECT_LT(TickMilliseconds() - start, 3000);
    EXPECT_EQ(grab.Engine.ImagesDownloaded(), 0);
    EXPECT_TRUE(Files("Frames", QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(Files("", QDir::Files | QDir::Hidden).isEmpty()); // no work file
    EXPECT_TRUE(Files("Previews", QDir::Files | QDir::Hidden).isEmpty());
}

// ---- On clocks of the test's own ------------------------------------------

// A camera without a network, serving Pictures in turn (the last one stops
// the grab), and clocks that move only when the grab pauses.
class TClockedGrab : public IGrabHost {
  public:
    TGrabEngine Engine{*this};
    std::vector<QImage> Pictures;
    std::vector<bool> Stamps; // per download; none: unstamped
    std::optional<std::int64_t> Delay;
    std::optional<TCaptureWindow> Hours;
    std::int64_t Tick = 0;
    QDateTime Local{QDate(2024, 5, 1), QTime(12, 0)};
    std::vector<std::int64_t> Starts; // ticks at the downloads
    std::vector<QTime> StartTimes;
    std::vector<std::string> Statuses; // each change

    bool DeletePreviousFrames(std::size_t) override { return false; }
    std::optional<std::int64_t> DelayMs() override { return Delay; }
    std::optional<std::int32_t> MaximumFrames() override { return std::nullopt; }
    TGrabDownload Download() override {
        Starts.push_back(Tick);
        StartTimes.push_back(Local.time());
        if (Starts.size() == Pictures.size()) Engine.RequestStop();
        return TGrabDownload::Image;
    }
    QImage DownloadedPicture() override { return Pictures[Starts.size() - 1]; }
    void Pause(std::int64_t milliseconds) override {
        Tick += milliseconds;
        Local = Local.addMSecs(milliseconds);
    }
    std::optional<TCaptureWindow> CaptureWindow() override { return Hours; }
    bool StampFrames() override {
        return Starts.size() <= Stamps.size() && Stamps[Starts.size() - 1];
    }
    std::int64_t TickMs() override { return Tick; }
    QDateTime LocalNow() override { return Local; }
    void Status(const std::string& text) override {
        if (Statuses.empty() || Statuses.back() != text) Statuses.push_back(text);
    }
};

std::vector<QImage> Solid(std::vector<int> colours, int width = 32, int height = 24) {
    std::vector<QImage> pictures;
    for (int c : colours)
        pictures.push_back(SolidPicture(width, height, kColours[c]));
    return pictures;
}

struct TDelayCase {
    const char* Name;
    const char* Minutes;
    const char* Seconds;
    std::int64_t Gap; // between the starts of downloads
};

class GrabDelay : public GrabEngine, public testing::WithParamInterface<TDelayCase> {};

TEST_P(GrabDelay, DownloadsStartTheDelayApartButNeverCloserThanTheFloor) {
    TClockedGrab grab;
    grab.Pictures = Solid({0, 1, 2});
    grab.Delay = TTimeLapseGrab::DelayMilliseconds(GetParam().Minutes, GetParam().Seconds);
    grab.Engine.Run();
    const std::int64_t gap = GetParam().Gap;
    EXPECT_EQ(grab.Starts, (std::vector<std::int64_t>{0, gap, 2 * gap}));
}

INSTANTIATE_TEST_SUITE_P(Cases, GrabDelay,
                         testing::Values(TDelayCase{"NoDelayIsHeldToTheFloor", "0", "0", 5000},
                                         TDelayCase{"SecondsUnderTheFloor", "0", "2", 5000},
                                         TDelayCase{"SecondsAboveTheFloor", "0", "7", 7000},
                                         TDelayCase{"MinutesPlusSeconds", "1", "30", 90000},
                                         TDelayCase{"MinutesAlone", "2", "0", 120000}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TWindowEdge {
    const char* Name;
    const char* From;
    const char* To;
    QTime Time;
    bool Inside;
};

class CaptureWindowEdges : public testing::TestWithParam<TWindowEdge> {};

TEST_P(CaptureWindowEdges, OpenFromTheFirstMinuteUpToTheLast) {
    const TWindowEdge& c = GetParam();
    EXPECT_EQ(TCaptureWindow::Parse(c.From, c.To).Contains(c.Time), c.Inside);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureWindowEdges,
    testing::Values(TWindowEdge{"SecondBeforeOpening", "06:00", "20:00", QTime(5, 59, 59), false},
                    TWindowEdge{"Opening", "6:00", "20:00", QTime(6, 0), true},
                    TWindowEdge{"LastSecond", "06:00", "20:00", QTime(19, 59, 59), true},
                    TWindowEdge{"Closing", "06:00", "20:00", QTime(20, 0), false},
                    TWindowEdge{"OverMidnightBeforeOpening", "22:00", "06:00", QTime(21, 59, 59),
                                false},
                    TWindowEdge{"OverMidnightOpening", "22:00", "06:00", QTime(22, 0), true},
                    TWindowEdge{"OverMidnightAtMidnight", "22:00", "06:00", QTime(0, 0), true},
                    TWindowEdge{"OverMidnightLastSecond", "22:00", "06:00", QTime(5, 59, 59), true},
                    TWindowEdge{"OverMidnightClosing", "22:00", "06:00", QTime(6, 0), false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CaptureWindowTimes, AnythingButTwoDifferentTimesOfDayIsRefused) {
    for (const auto& [from, to] :
         std::vector<std::pair<const char*, const char*>>{{"24:00", "06:00"},
                                                          {"06:60", "07:00"},
                                                          {"6", "7:00"},
                                                          {"", "07:00"},
                                                          {"06:00", "6:5"},
                                                          {"06:00", " 07:00"},
                                                          {"06:00", "6:00"}})
        EXPECT_THROW(TCaptureWindow::Parse(from, to), ELumiskError) << from << " " << to;
}

struct THoursCase {
    const char* Name;
    const char* From;
    const char* To;
    QTime Start;
    std::vector<QTime> Downloads; // local times of the downloads
    bool Waits;
};

class GrabHours : public GrabEngine, public testing::WithParamInterface<THoursCase> {};

TEST_P(GrabHours, DownloadsWaitForTheWindowToOpen) {
    const THoursCase& c = GetParam();
    TClockedGrab grab;
    grab.Pictures = Solid(std::vector<int>(c.Downloads.size(), 0));
    grab.Local.setTime(c.Start);
    grab.Hours = TCaptureWindow::Parse(c.From, c.To);
    grab.Engine.Run();
    EXPECT_EQ(grab.StartTimes, c.Downloads);
    const std::string waiting =
        std::string("Waiting for the capture window to open at ") + c.From + " ...";
    EXPECT_EQ(std::count(grab.Statuses.begin(), grab.Statuses.end(), waiting) > 0, c.Waits);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabHours,
    testing::Values(
        THoursCase{"BeforeTheWindow", "06:00", "20:00", QTime(5, 59, 58), {QTime(6, 0)}, true},
        THoursCase{"OverMidnightBeforeTheWindow",
                   "22:00",
                   "06:00",
                   QTime(21, 59, 59),
                   {QTime(22, 0)},
                   true},
        THoursCase{"OverMidnightInside",
                   "22:00",
                   "06:00",
                   QTime(5, 59, 50),
                   {QTime(5, 59, 50), QTime(5, 59, 55)},
                   false},
        THoursCase{"ClosingHoldsTheNextUntilItOpensAgain",
                   "20:05",
                   "20:00",
                   QTime(19, 59, 57),
                   {QTime(19, 59, 57), QTime(20, 5)},
                   true}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- The disk guard on a fake disk: its capacity less the frames' bytes ----

struct TDiskCase {
    const char* Name;
    std::int64_t Capacity;
    std::size_t Downloads, Frames;
    bool Stopped;
};

constexpr std::int64_t kReserve = TGrabEngine::DiskReserveBytes;
constexpr std::int64_t kFrame = 54 + 96 * 24; // a 32 x 24 BMP

class GrabDiskGuard : public GrabEngine, public testing::WithParamInterface<TDiskCase> {
  protected:
    void TearDown() override { Services().FreeSpace = nullptr; }
};

TEST_P(GrabDiskGuard, StopsBeforeTheFramesFillTheDisk) {
    const TDiskCase& c = GetParam();
    Services().FreeSpace = [&](const std::string&) -> long long {
        if (c.Capacity < 0) return -1;
        return c.Capacity - DirectoryTreeSize(TTimeLapseGrab::FramesDirectory());
    };
    TClockedGrab grab;
    grab.Pictures = Solid({0, 1, 2});
    std::string message;
    try {
        grab.Engine.Run();
    } catch (const ELowDiskSpace& e) {
        message = e.Message();
    }
    EXPECT_EQ(grab.Starts.size(), c.Downloads);
    EXPECT_EQ(Files("Frames", QDir::Files | QDir::Hidden).size(), static_cast<qsizetype>(c.Frames));
    EXPECT_EQ(message.rfind("The frame grab stopped: the disk of the frames has ", 0),
              c.Stopped ? 0 : std::string::npos)
        << message;
    EXPECT_FALSE(grab.Engine.Running());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabDiskGuard,
    testing::Values(TDiskCase{"UnderTheReserveBeforeTheFirstDownload", kReserve - 1, 0, 0, true},
                    TDiskCase{"NoRoomForTwiceTheFrameLeavesItUnwritten", kReserve + 3 * kFrame - 1,
                              1, 0, true},
                    TDiskCase{"LastFrameThatFitsIsKept", kReserve + 4 * kFrame - 1, 1, 1, true},
                    TDiskCase{"RoomForAll", kReserve + 6 * kFrame, 3, 3, false},
                    TDiskCase{"DiskThatCannotBeAskedIsNotGuarded", -1, 3, 3, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Stamped frames ---------------------------------------------------------

struct TStampCase {
    const char* Name;
    std::vector<int> Pictures;
    std::vector<bool> Stamps;
    std::vector<int> Kept; // the pictures of the frames
};

class GrabStamp : public GrabEngine, public testing::WithParamInterface<TStampCase> {};

TEST_P(GrabStamp, StampedFramesStillDropTheDuplicateDownloads) {
    const TStampCase& c = GetParam();
    TClockedGrab grab;
    grab.Pictures = Solid(c.Pictures, 200, 100);
    grab.Stamps = c.Stamps;
    grab.Engine.Run();
    const QStringList frames = Files("Frames", QDir::Files | QDir::Hidden);
    ASSERT_EQ(frames.size(), static_cast<qsizetype>(c.Kept.size()))
        << frames.join(" ").toStdString();
    std::size_t download = 0;
    for (qsizetype k = 0; k < frames.size(); ++k) {
        const QImage frame(QString::fromStdString(dir.File("Frames/")) + frames[k]);
        const QImage source = SolidPicture(200, 100, kColours[c.Kept[static_cast<std::size_t>(k)]]);
        while (c.Pictures[download] != c.Kept[static_cast<std::size_t>(k)])
            ++download;
        const bool stamped = c.Stamps[download++];
        // Untouched away from the corner; the corner stamped or not.
        EXPECT_EQ(MaxDifference(frame.copy(0, 0, 80, 100), source.copy(0, 0, 80, 100)), 0);
        EXPECT_EQ(MaxDifference(frame.copy(80, 80, 120, 20), source.copy(80, 80, 120, 20)) > 100,
                  stamped)
            << frames[k].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabStamp,
    testing::Values(TStampCase{"SamePictureStampedLater", {0, 0, 1}, {true, true, true}, {0, 1}},
                    TStampCase{"StampSwitchedOn", {0, 0, 1}, {false, true, true}, {0, 1}},
                    TStampCase{"StampSwitchedOff", {0, 0, 1}, {true, false, false}, {0, 1}}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
