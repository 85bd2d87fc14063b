// The grab engine without any window, downloading by the rules of a View
// from a real nginx (and from the fault server for a slow download): which
// pictures become frames, skips, the maximum, a frame name taken meanwhile,
// and a stop during a download.
#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "imaging/imagefixtures.h"
#include "support/faultserver.h"
#include "support/nginxserver.h"
#include "support/tempdir.h"
#include "tools/cameradownload.h"
#include "tools/grabengine.h"
#include "util/datadirectory.h"
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

} // namespace
