// `lumisk refresh` run as the built executable, as a timer on a server runs
// it: no DISPLAY, no QT_QPA_PLATFORM. Cameras on several loopback addresses
// of one nginx, dead cameras that accept and never answer, our fault server
// for a slow download to stop with SIGTERM.
#include "imaging/imagefixtures.h"
#include "support/displaylessprocess.h"
#include "support/faultserver.h"
#include "support/nginxserver.h"
#include "support/silentserver.h"
#include "support/tempdir.h"

#include <QDir>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace lumisk::test;

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

const std::string kServed = EncodeJpeg(CameraPicture(64, 48));

// lumisk with these arguments, without any display, its output in dir.
class TLumisk {
  public:
    TLumisk(const TTempDir& dir, const std::vector<std::string>& args) : dir_(dir) {
        std::vector<std::string> argv{LUMISK_EXECUTABLE};
        argv.insert(argv.end(), args.begin(), args.end());
        pid_ = StartWithoutDisplay(argv, dir.File("run.out"), dir.File("run.err"));
    }
    ~TLumisk() {
        if (status_ == kRunning && pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    void Signal(int signal) const { kill(pid_, signal); }
    // The exit status, waiting at most ms; -1 when it did not end normally.
    int Wait(int ms = 60000) {
        const auto deadline = TClock::now() + std::chrono::milliseconds(ms);
        while (status_ == kRunning && TClock::now() < deadline) {
            int raw = 0;
            if (waitpid(pid_, &raw, WNOHANG) == pid_)
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }
    std::string Out() const { return dir_.Read("run.out"); }
    std::string Err() const { return dir_.Read("run.err"); }

  private:
    static constexpr int kRunning = -2;
    const TTempDir& dir_;
    pid_t pid_ = -1;
    int status_ = kRunning;
};

class RefreshCommand : public testing::Test {
  protected:
    void SetUp() override {
        if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
        QDir().mkpath(QString::fromStdString(dir.File("data/Previews")));
        QDir().mkpath(QString::fromStdString(dir.File("www")));
        nginx = std::make_unique<TNginx>(dir.File("www"), nullptr, 4);
    }
    // Writes orvane.dat with (description, address) cameras and orvane.ini.
    void Data(const std::vector<std::pair<std::string, std::string>>& cameras,
              const std::string& ini) {
        std::string dat;
        for (const auto& [description, url] : cameras)
            dat += description + "\r\n" + url + "\r\n\r\n\r\n\r\n";
        dir.Write("data/orvane.dat", dat);
        dir.Write("data/orvane.ini", ini);
    }
    // A live camera served kServed from 127.0.0.<address>.
    std::pair<std::string, std::string> Live(int n, int address = 1) {
        const std::string path = "/cam" + std::to_string(n) + ".jpg";
        dir.Write("www" + path, kServed);
        return {"Cam " + std::to_string(n), nginx->UrlAt(address, path)};
    }
    std::vector<std::string> Args(std::vector<std::string> more) {
        more.insert(more.begin(), {"--data-dir", dir.File("data"), "refresh"});
        return more;
    }
    int Previews() { return static_cast<int>(Files("data/Previews", "*").size()); }
    QStringList Files(const std::string& folder, const QString& pattern) {
        return QDir(QString::fromStdString(dir.File(folder))).entryList({pattern}, QDir::Files);
    }

    TTempDir dir;
    std::unique_ptr<TNginx> nginx;
};

} // namespace

// Five dead cameras among 40 on several addresses: each holds only its own
// place, so the run takes about what one of them costs, not five times that.
TEST_F(RefreshCommand, EightAtOnceAreNotHeldUpByDeadCameras) {
    constexpr int kTimeoutMs = 2000;
    TSilentServer dead({"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"});
    std::vector<std::pair<std::string, std::string>> cameras;
    for (int i = 1; i <= 40; ++i)
        cameras.push_back(i % 8 == 0
                              ? std::pair{"Dead " + std::to_string(i / 8),
                                          dead.Url("/a.jpg", "127.0.0." + std::to_string(i / 8))}
                              : Live(i, i % 4 + 1));
    Data(cameras, "[Settings]\r\nTotal Bytes=100\r\nTotal Images=7\r\nTimeout=" +
                      std::to_string(kTimeoutMs) + "\r\nStats Visible=1\r\n");

    const auto start = TClock::now();
    TLumisk run(dir, Args({"--jobs", "8"}));
    ASSERT_EQ(run.Wait(), 1) << run.Err();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
    EXPECT_LT(ms, 3 * kTimeoutMs);

    const std::string out = run.Out();
    EXPECT_NE(out.find("Refreshed 40 cameras in "), std::string::npos) << out;
    EXPECT_NE(out.find(": 35 updated, 0 skipped (date unchanged), 5 failed,"), std::string::npos);
    for (int d = 1; d <= 5; ++d)
        EXPECT_NE(out.find("  Dead " + std::to_string(d) + ": time-out\n"), std::string::npos);
    EXPECT_EQ(Previews(), 35);
    EXPECT_TRUE(Files("data", "image*").isEmpty());

    // Each live camera keeps nginx's date; the dead keep none.
    const QStringList lines = QString::fromStdString(dir.Read("data/orvane.dat")).split("\r\n");
    for (int i = 0; i < 40; ++i) {
        const QString date = lines[i * 5 + 4];
        EXPECT_EQ(date.endsWith(" GMT"), !lines[i * 5].startsWith("Dead"))
            << i << ": " << date.toStdString();
    }
    // The statistics are added to; nothing else changes.
    const std::string ini = dir.Read("data/orvane.ini");
    EXPECT_NE(ini.find("Total Images=42\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Total Bytes=" + std::to_string(100 + 35 * kServed.size()) + "\r\n"),
              std::string::npos);
    EXPECT_NE(ini.find("Timeout=2000\r\nStats Visible=1\r\n"), std::string::npos);
}

struct StatusCase {
    const char* name;
    std::vector<std::string> args;
    int live;      // cameras served by nginx
    bool missing;  // and one more that nginx does not have
    bool previews; // the live cameras have previews already
    int runs;      // the status and summary are those of the last run
    int status;
    std::string out; // in the summary
};

class RefreshCommandStatus : public RefreshCommand,
                             public testing::WithParamInterface<StatusCase> {};

TEST_P(RefreshCommandStatus, ExitStatusAndSummary) {
    const StatusCase& c = GetParam();
    std::vector<std::pair<std::string, std::string>> cameras;
    for (int i = 1; i <= c.live; ++i) {
        cameras.push_back(Live(i, i));
        if (c.previews) dir.Write("data/Previews/Cam " + std::to_string(i) + ".JPG", kServed);
    }
    if (c.missing) cameras.push_back({"Gone", nginx->UrlAt(2, "/gone.jpg")});
    Data(cameras, "");
    TLumisk* last = nullptr;
    std::vector<std::unique_ptr<TLumisk>> runs;
    for (int r = 0; r < c.runs; ++r) {
        last = runs.emplace_back(std::make_unique<TLumisk>(dir, Args(c.args))).get();
        last->Wait();
    }
    EXPECT_EQ(last->Wait(), c.status) << last->Err();
    if (c.status == 2) {
        EXPECT_EQ(last->Out(), "");
        EXPECT_NE(last->Err().find(c.out), std::string::npos) << last->Err();
    } else {
        EXPECT_NE(last->Out().find(c.out), std::string::npos) << last->Out();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, RefreshCommandStatus,
    testing::Values(
        StatusCase{"AllUpdated", {}, 3, false, false, 1, 0, ": 3 updated, 0 skipped"},
        StatusCase{"SecondRunSkipsByDate",
                   {"--jobs", "1"},
                   3,
                   false,
                   false,
                   2,
                   0,
                   ": 0 updated, 3 skipped"},
        StatusCase{"OneFailed", {}, 2, true, false, 1, 1, "Failed downloads:\n  Gone: HTTP 404\n"},
        StatusCase{"MissingPassesOverCamerasWithPreviews",
                   {"--style", "missing"},
                   2,
                   true,
                   true,
                   1,
                   1,
                   "0 updated, 0 skipped (date unchanged), 1 failed, 2 passed over"},
        StatusCase{"UnknownStyle", {"--style", "grey"}, 1, false, false, 1, 2, "--style"},
        StatusCase{"NoJobs", {"--jobs", "0"}, 1, false, false, 1, 2, "--jobs"}),
    [](const auto& info) { return std::string(info.param.name); });

// SIGTERM during a download: that camera is abandoned whole, the rest never
// start, and what was done before is stored.
TEST_F(RefreshCommand, SigtermStopsCleanlyAndKeepsWhatWasDone) {
    TFaultServer server;
    TFaultReply drip = TFaultReply::Ok(std::string(4000000, 'x'));
    drip.ChunkBytes = 1000;
    drip.ChunkDelayMs = 20; // 80 seconds if nobody stops it
    server.On("GET", "/slow", drip);
    server.On("", "/never", TFaultReply::Ok(kServed));
    Data({Live(1), {"Slow", server.Url("/slow")}, {"Never", server.Url("/never")}},
         "[Settings]\r\nTotal Images=7\r\n");
    TLumisk run(dir, Args({"--jobs", "1"}));
    const auto deadline = TClock::now() + std::chrono::seconds(20);
    while (TClock::now() < deadline && server.RequestCount() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server.RequestCount(), 2u); // the date check and the GET of Slow
    const auto stopped = TClock::now();
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Wait(), 1) << run.Err();
    EXPECT_LT(TClock::now() - stopped, std::chrono::seconds(5));

    EXPECT_NE(run.Out().find("Stopped after 1 of 3 cameras in "), std::string::npos) << run.Out();
    for (const TFaultRequest& r : server.Requests())
        EXPECT_NE(r.Target, "/never");
    EXPECT_EQ(Files("data/Previews", "*"), QStringList{"Cam 1.JPG"});
    EXPECT_TRUE(Files("data", "image*").isEmpty());
    EXPECT_NE(dir.Read("data/orvane.ini").find("Total Images=8\r\n"), std::string::npos);
    EXPECT_NE(dir.Read("data/orvane.dat").find("GMT\r\nSlow\r\n"), std::string::npos);
}

// Cameras behind a password are fetched with the address's credentials, and
// neither the refresh's report nor the listing names them.
TEST(RefreshCommandPassword, FetchesWithTheCredentialsAndNeverPrintsThem) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    TTempDir dir;
    QDir().mkpath(QString::fromStdString(dir.File("data/Previews")));
    QDir().mkpath(QString::fromStdString(dir.File("www")));
    dir.Write("www/cam.jpg", kServed);
    TNginx nginx(dir.File("www"), nullptr, 1, {{"cam", "s3cret"}});
    const std::string host = "127.0.0.1:" + std::to_string(nginx.Port());
    dir.Write("data/orvane.dat",
              "Gate\r\nhttp://cam:s3cret@" + host + "/cam.jpg\r\nhttp://cam:s3cret@" + host +
                  "/\r\n\r\n\r\nYard\r\nhttp://cam:guess@" + host + "/cam.jpg\r\n\r\n\r\n\r\n");
    dir.Write("data/orvane.ini", "");
    std::string printed;
    TLumisk refresh(dir, {"--data-dir", dir.File("data"), "refresh"});
    EXPECT_EQ(refresh.Wait(), 1) << refresh.Err();
    EXPECT_NE(refresh.Out().find("Failed downloads:\n  Yard: HTTP 401\n"), std::string::npos)
        << refresh.Out();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.File("data/Previews/Gate.JPG"))));
    printed += refresh.Out() + refresh.Err();
    TLumisk list(dir, {"--data-dir", dir.File("data"), "list"});
    EXPECT_EQ(list.Wait(), 0);
    EXPECT_EQ(list.Out(), "Gate\thttp://" + host + "/cam.jpg\nYard\thttp://" + host + "/cam.jpg\n");
    TLumisk listLong(dir, {"--data-dir", dir.File("data"), "list", "--long"});
    EXPECT_EQ(listLong.Wait(), 0);
    printed += listLong.Out() + listLong.Err();
    EXPECT_NE(printed.find("\thttp://" + host + "/\t"), std::string::npos) << printed;
    for (const char* secret : {"s3cret", "guess"})
        EXPECT_EQ(printed.find(secret), std::string::npos) << printed;
}
