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

// A camera without a network serving Pictures in turn (the last one stops the
// grab); both clocks move only while the grab pauses.
class TClockedGrab : public IGrabHost {
  public:
    TGrabEngine Engine{*this};
    std::vector<QImage> Pictures;
    std::vector<bool> Stamps; // per download
    std::optional<std::int64_t> Delay;
    std::optional<TCaptureWindow> Hours;
    QDateTime Local{QDate(2024, 5, 1), QTime(12, 0)};
    std::vector<QTime> Starts;
    std::string Waiting; // the last status that said so

    bool DeletePreviousFrames(std::size_t) override { return false; }
    std::optional<std::int64_t> DelayMs() override { return Delay; }
    std::optional<std::int32_t> MaximumFrames() override { return std::nullopt; }
    TGrabDownload Download() override {
        Starts.push_back(Local.time());
        if (Starts.size() == Pictures.size()) Engine.RequestStop();
        return TGrabDownload::Image;
    }
    QImage DownloadedPicture() override { return Pictures[Starts.size() - 1]; }
    void Pause(std::int64_t ms) override { Local = Local.addMSecs(ms); }
    std::optional<TCaptureWindow> CaptureWindow() override { return Hours; }
    bool StampFrames() override {
        return Stamps.size() >= Starts.size() && Stamps[Starts.size() - 1];
    }
    std::int64_t TickMs() override { return Local.toMSecsSinceEpoch(); }
    QDateTime LocalNow() override { return Local; }
    void Status(const std::string& text) override {
        if (text.rfind("Waiting for", 0) == 0) Waiting = text;
    }
};

std::vector<QImage> Solid(const std::vector<int>& colours, int width = 32, int height = 24) {
    std::vector<QImage> pictures;
    for (int c : colours)
        pictures.push_back(SolidPicture(width, height, kColours[c]));
    return pictures;
}

TEST_F(GrabEngine, DelayInSecondsNeverBringsDownloadsCloserThanTheFloor) {
    struct {
        const char *Name, *Minutes, *Seconds;
        int Gap; // seconds
    } const cases[] = {{"NothingIsHeldToTheFloor", "0", "0", 5},
                       {"SecondsUnderTheFloor", "0", "2", 5},
                       {"SecondsOverTheFloor", "0", "7", 7},
                       {"MinutesPlusSeconds", "1", "30", 90}};
    for (const auto& c : cases) {
        TClockedGrab grab;
        grab.Pictures = Solid({0, 1, 2});
        grab.Delay = TTimeLapseGrab::DelayMilliseconds(c.Minutes, c.Seconds);
        grab.Engine.Run();
        const QTime noon(12, 0);
        EXPECT_EQ(grab.Starts, (std::vector{noon, noon.addSecs(c.Gap), noon.addSecs(2 * c.Gap)}))
            << c.Name;
    }
}

TEST_F(GrabEngine, OutsideTheCaptureHoursDownloadsWaitForThemToOpen) {
    struct {
        const char *Name, *From, *To;
        QTime Start;
        std::vector<QTime> Downloads;
        bool Waits;
    } const cases[] = {
        {"SecondsBeforeOpening", "06:00", "20:00", QTime(5, 59, 58), {QTime(6, 0)}, true},
        {"OverMidnightBeforeOpening", "22:00", "06:00", QTime(21, 59, 59), {QTime(22, 0)}, true},
        {"OverMidnightBeforeClosing",
         "22:00",
         "6:00",
         QTime(5, 59, 50),
         {QTime(5, 59, 50), QTime(5, 59, 55)},
         false},
        {"ClosingHoldsTheNextUntilItOpensAgain",
         "20:05",
         "20:00",
         QTime(19, 59, 57),
         {QTime(19, 59, 57), QTime(20, 5)},
         true}};
    for (const auto& c : cases) {
        TClockedGrab grab;
        grab.Pictures = Solid(std::vector<int>(c.Downloads.size(), 0));
        grab.Local.setTime(c.Start);
        grab.Hours = TCaptureWindow::Parse(c.From, c.To);
        grab.Engine.Run();
        EXPECT_EQ(grab.Starts, c.Downloads) << c.Name;
        EXPECT_EQ(grab.Waiting, c.Waits ? "Waiting for the capture window to open at " +
                                              grab.Hours->FromText() + " ..."
                                        : "")
            << c.Name;
    }
    for (const auto& [from, to] : std::vector<std::pair<const char*, const char*>>{
             {"24:00", "06:00"}, {"06:60", "07:00"}, {"6", "7:00"}, {"06:00", "6:00"}})
        EXPECT_THROW(TCaptureWindow::Parse(from, to), ELumiskError) << from << " to " << to;
}

TEST_F(GrabEngine, DiskGuardStopsBeforeTheFramesFillAFakeDisk) {
    const std::int64_t reserve = TGrabEngine::DiskReserveBytes, frame = 54 + 96 * 24;
    struct {
        const char* Name;
        std::int64_t Capacity; // less the frames' bytes is free; -1: cannot be asked
        std::size_t Downloads;
        qsizetype Frames;
    } const cases[] = {{"UnderTheReserveBeforeTheFirstDownload", reserve - 1, 0, 0},
                       {"NoRoomForTwiceTheFrameLeavesItUnwritten", reserve + 3 * frame - 1, 1, 0},
                       {"LastFrameThatFitsIsKept", reserve + 4 * frame - 1, 1, 1},
                       {"RoomForAll", reserve + 6 * frame, 3, 3},
                       {"DiskThatCannotBeAskedIsNotGuarded", -1, 3, 3}};
    for (const auto& c : cases) {
        QDir(QString::fromStdString(dir.File("Frames"))).removeRecursively();
        Services().FreeSpace = [&](const std::string&) -> long long {
            return c.Capacity < 0
                       ? -1
                       : c.Capacity - DirectoryTreeSize(TTimeLapseGrab::FramesDirectory());
        };
        TClockedGrab grab;
        grab.Pictures = Solid({0, 1, 2});
        std::string message;
        try {
            grab.Engine.Run();
        } catch (const ELowDiskSpace& e) {
            message = e.Message();
        }
        EXPECT_EQ(grab.Starts.size(), c.Downloads) << c.Name;
        EXPECT_EQ(Files("Frames", QDir::Files | QDir::Hidden).size(), c.Frames) << c.Name;
        EXPECT_EQ(message.empty(), c.Downloads == 3) << message;
    }
    Services().FreeSpace = nullptr;
}

TEST_F(GrabEngine, StampedFramesStillDropTheDuplicateDownloads) {
    struct {
        const char* Name;
        std::vector<bool> Stamps; // of the downloads of pictures 0, 0, 1
    } const cases[] = {{"StampedAlways", {true, true, true}},
                       {"StampSwitchedOn", {false, true, true}},
                       {"StampSwitchedOff", {true, false, false}}};
    for (const auto& c : cases) {
        QDir(QString::fromStdString(dir.File("Frames"))).removeRecursively();
        TClockedGrab grab;
        grab.Pictures = Solid({0, 0, 1}, 200, 100);
        grab.Stamps = c.Stamps;
        grab.Engine.Run();
        EXPECT_EQ(grab.Engine.DuplicatesDropped(), 1) << c.Name;
        // The kept frames are downloads 1 and 3; only their corner is stamped.
        for (const auto& [name, download] : {std::pair{"FRA00000.BMP", 0}, {"FRA00001.BMP", 2}}) {
            const QImage frame(QString::fromStdString(dir.File("Frames/")) + name);
            const QImage& source = grab.Pictures[download];
            EXPECT_EQ(MaxDifference(frame.copy(0, 0, 80, 100), source.copy(0, 0, 80, 100)), 0);
            EXPECT_EQ(MaxDifference(frame.copy(80, 80, 120, 20), source.copy(80, 80, 120, 20)) >
                          100,
                      c.Stamps[download])
                << c.Name << " " << name;
        }
    }
}

} // namespace
