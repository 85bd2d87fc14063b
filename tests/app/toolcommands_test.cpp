// The commands grab, movie and time run as the built executable with no
// display at all, against nginx, the fault server, xinetd's time service and
// ffprobe: frames up to the maximum, SIGTERM in the middle of a download,
// the movie as a player reads it, the time read without touching the clock,
// the HTML page, and bad usage.
#include "imaging/bmpwriter.h"
#include "imaging/imagefixtures.h"
#include "support/displaylessprocess.h"
#include "support/faultserver.h"
#include "support/nginxserver.h"
#include "support/tempdir.h"
#include "support/xinetdserver.h"
#include "tools/aviprobe.h"

#include <QDir>
#include <QImage>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace lumisk;
using namespace lumisk::test;

extern char** environ;

namespace {

// lumisk started in the background with its output in files of dir, in an
// environment without any display; killed if a test leaves it running.
class TLumisk {
  public:
    TLumisk(const TTempDir& dir, std::vector<std::string> args) : dir_(dir) {
        args.insert(args.begin(), {LUMISK_EXECUTABLE, "--data-dir", dir.File("data")});
        pid_ = StartWithoutDisplay(args, dir.File("run.out"), dir.File("run.err"));
    }
    ~TLumisk() {
        if (pid_ > 0 && !done_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    void Signal(int signal) { kill(pid_, signal); }
    // The exit status, or -1 when it did not end within the time.
    int Wait(int timeoutMs = 30000) {
        int status = 0;
        done_ = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs);
        return done_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Out() const { return dir_.Read("run.out"); }
    std::string Err() const { return dir_.Read("run.err"); }

  private:
    const TTempDir& dir_;
    pid_t pid_ = -1;
    bool done_ = false;
};

QStringList Entries(const TTempDir& dir, const char* folder) {
    return QDir(QString::fromStdString(dir.File(folder)))
        .entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void WriteCamera(const TTempDir& dir, const std::string& url) {
    QDir().mkpath(QString::fromStdString(dir.File("data")));
    dir.Write("data/orvane.dat", "Harbour Cam\r\n" + url + "\r\n\r\n5\r\n\r\n");
}

std::string Jpeg(int colour, int width = 32, int height = 24) {
    return EncodeJpeg(SolidPicture(width, height, QColor(colour, 40, 200 - colour)));
}

// ---- grab -------------------------------------------------------------------

TEST(GrabCommand, KeepsChangedFramesUpToTheMaximumAndStoresWhatAViewStores) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    TTempDir dir, www;
    TNginx nginx(www.Path());
    www.Write("cam.jpg", Jpeg(0));
    WriteCamera(dir, nginx.Url("/cam.jpg"));
    TLumisk grab(dir, {"grab", "Harbour Cam", "--every", "0", "--max", "2"});
    ASSERT_TRUE(WaitFor([&] { return dir.Exists("data/Frames/FRA00000.BMP"); }, 20000))
        << grab.Err();
    www.Write("cam.jpg", Jpeg(150));
    const time_t later = time(nullptr) + 60;
    const struct utimbuf t { later, later };
    utime(www.File("cam.jpg").c_str(), &t);

    ASSERT_EQ(grab.Wait(), 0) << grab.Err();
    EXPECT_EQ(Entries(dir, "data/Frames"), (QStringList{"FRA00000.BMP", "FRA00001.BMP"}));
    EXPECT_NE(grab.Out().find("Frames kept: 2 (FRA00000.BMP to FRA00001.BMP)\n"), std::string::npos)
        << grab.Out();
    EXPECT_NE(grab.Out().find("Failed downloads: 0\n"), std::string::npos);
    // The camera's date as the View stores it, the counters added.
    const std::string catalogue = dir.Read("data/orvane.dat");
    const std::string fields = "Harbour Cam\r\n" + nginx.Url("/cam.jpg") + "\r\n\r\n5\r\n";
    EXPECT_EQ(catalogue.rfind(fields, 0), 0u) << catalogue;
    EXPECT_EQ(catalogue.substr(catalogue.size() - 6), " GMT\r\n") << catalogue;
    EXPECT_NE(dir.Read("data/orvane.ini").find("Total Images=2"), std::string::npos);
}

TEST(GrabCommand, SigtermDuringADownloadLeavesOnlyCompleteFrames) {
    TTempDir dir;
    TFaultServer server;
    server.On("", "/cam.jpg", TFaultReply::Ok(Jpeg(0, 64, 48)));
    WriteCamera(dir, server.Url("/cam.jpg"));
    TLumisk grab(dir, {"grab", "Harbour Cam", "--every", "0"});
    ASSERT_TRUE(WaitFor([&] { return dir.Exists("data/Frames/FRA00000.BMP"); }, 20000))
        << grab.Err();
    // The next picture comes slowly; the stop arrives in its middle.
    TFaultReply slow = TFaultReply::Ok(Jpeg(150, 64, 48));
    slow.ChunkBytes = 16;
    slow.ChunkDelayMs = 100;
    server.On("", "/cam.jpg", slow);
    auto gets = [&] {
        int n = 0;
        for (const TFaultRequest& r : server.Requests())
            n += r.Method == "GET";
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return gets() == 2; }, 20000)) << grab.Err();
    grab.Signal(SIGTERM);

    EXPECT_EQ(grab.Wait(3000), 0) << grab.Err();
    EXPECT_EQ(Entries(dir, "data/Frames"), QStringList{"FRA00000.BMP"});
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("data/Frames/FRA00000.BMP"))).size(),
              QSize(64, 48));
    for (const QString& name : Entries(dir, "data"))
        EXPECT_FALSE(name.startsWith("image.")) << name.toStdString();
    EXPECT_NE(grab.Out().find("Frames kept: 1 (FRA00000.BMP)\n"), std::string::npos) << grab.Out();
}

// ---- movie ------------------------------------------------------------------

TEST(MovieCommand, WritesTheMovieFfprobeReadsAndDeletesTheFramesWhenAsked) {
    TTempDir dir;
    QDir().mkpath(QString::fromStdString(dir.File("data/Frames")));
    TLumisk none(dir, {"movie"});
    EXPECT_EQ(none.Wait(), 1);
    EXPECT_NE(none.Err().find("No frames exist to build an AVI movie from."), std::string::npos);
    EXPECT_TRUE(Entries(dir, "data").isEmpty());

    for (int k = 0; k < 3; ++k)
        SaveImageAsBitmap(FramePicture(32, 24, k),
                          dir.File("data/Frames/FRA0000" + std::to_string(k) + ".BMP"));
    TLumisk movie(dir, {"movie", "--fps", "5", "--delete-frames"});
    ASSERT_EQ(movie.Wait(), 0) << movie.Err();
    const std::string path = dir.File("data/AVI00000.AVI");
    EXPECT_EQ(movie.Out(), "Wrote " + path +
                               ": 3 frame(s) of 32 x 24 pixels at 5 frames per second; the "
                               "frames are deleted\n");
    EXPECT_TRUE(Entries(dir, "data/Frames").isEmpty());
    EXPECT_EQ(Entries(dir, "data"), QStringList{"AVI00000.AVI"});
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffprobe is not installed";
    const TProbe probe = FfProbe(path);
    EXPECT_EQ(probe.Codec, "rawvideo");
    EXPECT_EQ(probe.Width, 32);
    EXPECT_EQ(probe.Height, 24);
    EXPECT_EQ(probe.Rate, "5/1");
    EXPECT_EQ(probe.Frames, 3);
}

TEST(MovieCommand, WritesAnMp4OfTheQualityAsked) {
    TTempDir dir;
    QDir().mkpath(QString::fromStdString(dir.File("data/Frames")));
    for (int k = 0; k < 3; ++k)
        SaveImageAsBitmap(FramePicture(33, 25, k),
                          dir.File("data/Frames/FRA0000" + std::to_string(k) + ".BMP"));
    dir.Write("data/MOV00000.MP4", "an earlier movie");
    TLumisk movie(dir, {"movie", "--format", "mp4", "--crf", "30", "--fps", "5"});
    ASSERT_EQ(movie.Wait(), 0) << movie.Err();
    const std::string path = dir.File("data/MOV00001.MP4");
    EXPECT_EQ(movie.Out(), "Wrote " + path +
                               ": 3 frame(s) of 33 x 25 pixels at 5 frames per second, H.264 "
                               "quality (CRF) 30\n");
    EXPECT_EQ(Entries(dir, "data/Frames").size(), 3);
    EXPECT_EQ(Entries(dir, "data"), (QStringList{"MOV00000.MP4", "MOV00001.MP4"}));
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffprobe is not installed";
    const TProbe probe = FfProbe(path);
    EXPECT_EQ(probe.Codec, "h264");
    EXPECT_EQ(probe.PixelFormat, "yuv420p");
    EXPECT_EQ(probe.Width, 34);
    EXPECT_EQ(probe.Height, 26);
    EXPECT_EQ(probe.Rate, "5/1");
    EXPECT_EQ(probe.Frames, 3);
}

// ---- time -------------------------------------------------------------------

TEST(TimeCommand, ReadsXinetdsTimeAndLeavesTheClock) {
    if (!TXinetdTimeServer::Available()) GTEST_SKIP() << TXinetdTimeServer::SkipReason;
    TXinetdTimeServer xinetd;
    TTempDir dir;
    TLumisk time(dir, {"time", "--server", "127.0.0.1", "--port", std::to_string(xinetd.Port())});
    ASSERT_EQ(time.Wait(), 0) << time.Err() << xinetd.Log();
    const std::string out = time.Out();
    EXPECT_EQ(
        out.rfind("Server: 127.0.0.1:" + std::to_string(xinetd.Port()) + "\nRemote time: ", 0), 0u)
        << out;
    EXPECT_TRUE(out.find("\nDifference: 0 seconds\n") != std::string::npos ||
                out.find("\nDifference: 1 seconds") != std::string::npos)
        << out;
    EXPECT_EQ(out.find("Clock set"), std::string::npos);

    TLumisk refused(dir, {"time", "--server", "127.0.0.1", "--port", "9"});
    EXPECT_EQ(refused.Wait(), 1);
    EXPECT_NE(refused.Err().find("unable to read time from 127.0.0.1:9"), std::string::npos);
}

// ---- html -------------------------------------------------------------------

TEST(HtmlCommand, WritesTheWindowsPage) {
    TTempDir dir;
    WriteCamera(dir, "http://127.0.0.1/<cam>.jpg");
    TLumisk html(dir, {"html", "--out", dir.File("page.htm")});
    ASSERT_EQ(html.Wait(), 0) << html.Err();
    EXPECT_EQ(html.Out(), "Wrote " + dir.File("page.htm") + ": 1 camera(s)\n");
    EXPECT_EQ(dir.Read("page.htm"),
              "<html>\r\n<head>\r\n</head>\r\n<body bgcolor=\"#000000\" text=\"#FFFFFF\" "
              "link=\"#0000FF\" vlink=\"#000080\">\r\n<p>Harbour Cam</p>\r\n<a "
              "href=\"\"target=\"_blank\"><IMG "
              "src=\"http://127.0.0.1/%3Ccam%3E.jpg\"></a>\r\n<hr>\r\n</body>\r\n</html>\r\n");
}

// ---- bad usage --------------------------------------------------------------

struct TUsageCase {
    const char* Name;
    std::vector<std::string> Args;
    const char* Said; // in the messages
};

class ToolCommandUsage : public testing::TestWithParam<TUsageCase> {};

TEST_P(ToolCommandUsage, EndsWithStatusTwoAndSaysWhy) {
    TTempDir dir;
    WriteCamera(dir, "http://127.0.0.1:9/cam.jpg");
    TLumisk run(dir, GetParam().Args);
    EXPECT_EQ(run.Wait(), 2);
    EXPECT_NE(run.Err().find(GetParam().Said), std::string::npos) << run.Err();
    EXPECT_FALSE(dir.Exists("data/Frames"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolCommandUsage,
    testing::Values(
        TUsageCase{"CameraNotQuiteNamedListsCloseMatches",
                   {"grab", "harbour cam", "--every", "1"},
                   "did you mean\n  camera 1: Harbour Cam"},
        TUsageCase{"GrabWithoutEvery", {"grab", "Harbour Cam"}, "--every"},
        TUsageCase{"HourThatIsNoTime",
                   {"grab", "Harbour Cam", "--every", "1", "--from", "06:00", "--to", "25:00"},
                   "'25:00' is not a time of day"},
        TUsageCase{"MovieOfAnUnknownFormat",
                   {"movie", "--format", "mkv"},
                   "--format must be avi or mp4, not \"mkv\""},
        TUsageCase{"QualityOfAnAvi", {"movie", "--crf", "20"}, "needs --format mp4"},
        TUsageCase{"QualityAbove51", {"movie", "--format", "mp4", "--crf", "52"}, "--crf"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
