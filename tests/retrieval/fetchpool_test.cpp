// Many cameras at once: the limits on fetches at once and per host, a dead
// camera that must not hold the others up, a stop that leaves nothing half
// written, and outcomes that equal a View's for the same server answers.
// Served by nginx on several loopback addresses and by our fault server.
#include "catalogue/settings.h"
#include "imaging/imagefixtures.h"
#include "retrieval/fetchpool.h"
#include "support/faultserver.h"
#include "support/localport.h"
#include "support/mainformfixture.h"
#include "support/nginxserver.h"
#include "util/datadirectory.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <set>

using namespace lumisk;
using namespace lumisk::test;

namespace {

using TClock = std::chrono::steady_clock;

std::string Jpeg() {
    return EncodeJpeg(CameraPicture(64, 48));
}

TFaultReply Stall() {
    TFaultReply r = TFaultReply::Ok(Jpeg());
    r.DelayBeforeHeadMs = 30000;
    return r;
}

TFetchRequest Camera(const std::string& url, const std::string& description,
                     const std::string& timeoutMs) {
    TFetchRequest r;
    r.Url = url;
    r.Description = description;
    r.Timeout = timeoutMs;
    return r;
}

TFetchPoolSettings Limits(int jobs, int perHost) {
    TFetchPoolSettings s;
    s.Jobs = jobs;
    s.PerHost = perHost;
    return s;
}

// A dead camera's date check and its early GET both run out of time.
int DeadCostMs(int timeoutMs) {
    return timeoutMs + std::min(timeoutMs / 4, 1000);
}

std::int64_t MsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

// Files the data folder holds: work files must not outlive their fetch.
QStringList DataFiles(const TTempDir& dir, const QString& pattern) {
    return QDir(QString::fromStdString(dir.Path())).entryList({pattern}, QDir::Files);
}

struct TFinishOrder : IFetchPoolObserver {
    std::vector<int> Order;
    std::function<void(int, std::int64_t)> Progress;
    void CameraFinished(int id, const TFetchResult&) override { Order.push_back(id); }
    void CameraProgress(int id, std::int64_t bytes, std::int64_t) override {
        if (Progress) Progress(id, bytes);
    }
};

class PoolTest : public testing::Test {
  protected:
    void SetUp() override {
        SetDataDirectory(dir.Path());
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    }
    TTempDir dir;
};

} // namespace

// ---- Limits: a dead camera costs one time-out (and the wait for its GET) ---

struct LimitCase {
    const char* name;
    int jobs, perHost, sites; // four dead cameras spread over this many servers
    int rounds;               // dead-camera costs the run must take
    int peakRunning, peakPerHost;
};

class PoolLimits : public PoolTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(PoolLimits, QueueCamerasBeyondTheLimits) {
    const LimitCase& c = GetParam();
    constexpr int kTimeoutMs = 800;
    const int kDeadMs = DeadCostMs(kTimeoutMs);
    std::vector<std::unique_ptr<TFaultServer>> sites;
    for (int s = 0; s < c.sites; ++s) {
        sites.push_back(std::make_unique<TFaultServer>());
        sites.back()->On("", "/cam", Stall());
    }
    TFetchPool pool(Limits(c.jobs, c.perHost));
    for (int i = 0; i < 4; ++i)
        pool.Add(Camera(sites[static_cast<std::size_t>(i % c.sites)]->Url("/cam"),
                        "Cam " + std::to_string(i), std::to_string(kTimeoutMs)));
    const auto start = TClock::now();
    pool.Run();
    const auto elapsed = MsSince(start);
    EXPECT_GE(elapsed, c.rounds * kDeadMs);
    EXPECT_LT(elapsed, (c.rounds + 1) * kDeadMs);
    EXPECT_EQ(pool.PeakRunning(), c.peakRunning);
    EXPECT_EQ(pool.PeakPerHost(), c.peakPerHost);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pool.Result(i).Outcome, TFetchOutcome::Failed);
        EXPECT_EQ(pool.Result(i).Reason, "time-out");
    }
    EXPECT_TRUE(DataFiles(dir, "image.*").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, PoolLimits,
                         testing::Values(LimitCase{"PerHostLimitQueuesOneSite", 8, 2, 1, 2, 2, 2},
                                         LimitCase{"JobsLimitQueuesTheRest", 2, 4, 4, 2, 2, 1},
                                         LimitCase{"DistinctSitesRunTogether", 4, 1, 4, 1, 4, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- A dead camera among good ones on four loopback addresses ---------------

TEST_F(PoolTest, DeadCameraHoldsNoOtherUp) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    TTempDir www;
    std::vector<std::string> pictures;
    for (int i = 0; i < 12; ++i) {
        pictures.push_back(EncodeJpeg(CameraPicture(40 + i, 30)));
        www.Write("cam" + std::to_string(i) + ".jpg", pictures.back());
    }
    TNginx nginx(www.Path(), nullptr, 4);
    TFaultServer dead;
    dead.On("", "/cam", Stall());
    constexpr int kTimeoutMs = 1000;

    TFinishOrder order;
    TFetchPool pool(Limits(4, 2), &order);
    // First in the queue, so it takes a place before any good camera.
    const int deadId = pool.Add(Camera(dead.Url("/cam"), "Dead", std::to_string(kTimeoutMs)));
    for (int i = 0; i < 12; ++i)
        pool.Add(Camera(nginx.UrlAt(1 + i % 4, "/cam" + std::to_string(i) + ".jpg"),
                        "Cam " + std::to_string(i), std::to_string(kTimeoutMs)));
    const auto start = TClock::now();
    pool.Run();
    EXPECT_LT(MsSince(start), DeadCostMs(kTimeoutMs) + 1000) << "about what the dead camera costs";

    ASSERT_EQ(order.Order.size(), 13u);
    EXPECT_EQ(order.Order.back(), deadId) << "every good camera finished while it waited";
    EXPECT_EQ(pool.Result(deadId).Reason, "time-out");
    for (int i = 0; i < 12; ++i) {
        const TFetchResult& r = pool.Result(i + 1);
        ASSERT_EQ(r.Outcome, TFetchOutcome::Updated) << r.Reason;
        EXPECT_TRUE(r.Date.ends_with(" GMT")) << r.Date;
        EXPECT_EQ(dir.Read("Previews/Cam " + std::to_string(i) + ".JPG"),
                  pictures[static_cast<std::size_t>(i)]);
    }
    EXPECT_LE(pool.PeakPerHost(), 2);
    EXPECT_TRUE(DataFiles(dir, "image.*").isEmpty());
}

// ---- Stop -------------------------------------------------------------------

struct StopCase {
    const char* name;
    bool fromObserver; // inside the pool's progress report, or between two steps
};

class PoolStop : public PoolTest, public testing::WithParamInterface<StopCase> {};

TEST_P(PoolStop, AbandonsEverythingAndLeavesNoHalfFile) {
    TFaultServer server;
    TFaultReply drip = TFaultReply::Ok(Jpeg() + std::string(200000, 'x'));
    drip.ChunkBytes = 1000;
    drip.ChunkDelayMs = 20;
    server.On("", "/drip", drip);
    server.On("", "/dead", Stall());
    server.On("", "/waiting", TFaultReply::Ok(Jpeg()));
    const std::string oldPreview = Jpeg();
    dir.Write("Previews/Cam 0.JPG", oldPreview);

    TFinishOrder order;
    TFetchPool pool(Limits(4, 4), &order);
    for (const char* path : {"/drip", "/drip", "/drip", "/dead", "/waiting", "/waiting"})
        pool.Add(Camera(server.Url(path), "Cam " + std::to_string(pool.Count()), "5000"));
    // Stopped once all three bodies are arriving.
    TClock::time_point stopped{};
    std::set<int> dripping;
    bool arriving = false;
    order.Progress = [&](int id, std::int64_t bytes) {
        if (bytes > 0) dripping.insert(id);
        arriving = dripping.size() == 3;
        if (arriving && GetParam().fromObserver && !pool.StopRequested()) {
            stopped = TClock::now();
            pool.RequestStop();
        }
    };
    const auto start = TClock::now();
    while (pool.Step()) {
        if (arriving && !pool.StopRequested()) {
            stopped = TClock::now();
            pool.RequestStop();
        }
        ASSERT_LT(MsSince(start), 4000) << "a stop must not wait for the downloads";
    }
    EXPECT_LT(MsSince(stopped), 250);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pool.Result(i).Outcome, TFetchOutcome::Aborted) << i;
        EXPECT_EQ(pool.Result(i).Reason, "stopped");
    }
    for (const TFaultRequest& request : server.Requests())
        EXPECT_NE(request.Target, "/waiting") << "the waiting cameras never start";
    EXPECT_TRUE(DataFiles(dir, "image.*").isEmpty());
    EXPECT_EQ(QDir(QString::fromStdString(dir.File("Previews"))).entryList(QDir::Files),
              QStringList{"Cam 0.JPG"});
    EXPECT_EQ(dir.Read("Previews/Cam 0.JPG"), oldPreview);
    EXPECT_TRUE(WaitFor([&] { return server.ClosedByClient() >= 4; }))
        << "the server sees the connections go";
}

INSTANTIATE_TEST_SUITE_P(Cases, PoolStop,
                         testing::Values(StopCase{"FromTheProgressReport", true},
                                         StopCase{"BetweenSteps", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The same answers through a View and through the pool -------------------

struct SameCase {
    const char* name;
    TFaultReply head, get;
    bool previousIsServerDate; // the camera's date equals the server's
    TFetchOutcome outcome;
    const char* reason;
    const char* viewStatus;  // prefix of the View's status text
    bool withPreview = true; // the camera's date shows only with a preview
};

class PoolAsView : public MainFormFixture, public testing::WithParamInterface<SameCase> {};

TEST_P(PoolAsView, GivesTheViewsOutcomeDateAndPreview) {
    const SameCase& c = GetParam();
    TFaultServer server;
    server.On("HEAD", "/cam", c.head);
    server.On("GET", "/cam", c.get);
    const std::string previous =
        c.previousIsServerDate ? "Mon, 07 Nov 1994 08:49:37 GMT" : "Sat, 01 Jan 2000 00:00:00 GMT";
    const std::string url = std::string(c.name) == "Refused"
                                ? "http://127.0.0.1:" + std::to_string(FreeLocalPort()) + "/cam"
                                : server.Url("/cam");
    WriteCatalogue({{"Harbour Cam", url, "", "5", previous}});
    WriteKnownVersion();
    const std::string oldPreview = c.withPreview ? EncodeJpeg(CameraPicture(32, 24)) : "";
    QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    if (c.withPreview) dir.Write("Previews/Harbour Cam.JPG", oldPreview);
    Start();
    Forms().Settings->timeout->setText("400");

    Main().viewbutton->click();
    const std::string viewStatus = Main().Status().toStdString();
    const CameraRecord viewRecord = App().Catalogue.Records[1];
    const std::string viewPreview = dir.Read("Previews/Harbour Cam.JPG");
    const bool viewFailed = App().DownloadFailed, viewSkipped = App().DownloadSkipped;
    EXPECT_EQ(viewStatus.rfind(c.viewStatus, 0), 0u) << viewStatus;

    // The pool starts from the record as it was before the View.
    QFile::remove(QString::fromStdString(dir.File("Previews/Harbour Cam.JPG")));
    if (c.withPreview) dir.Write("Previews/Harbour Cam.JPG", oldPreview);
    CameraRecord before = viewRecord;
    before.LastModified = previous;
    TSettingsValues settings;
    settings.Timeout = "400";
    TFetchPool pool({});
    pool.Add(CameraRequest(before, settings));
    pool.Run();
    const TFetchResult& r = pool.Result(0);
    EXPECT_EQ(r.Outcome, c.outcome);
    EXPECT_EQ(r.Reason, c.reason);
    EXPECT_EQ(r.DownloadFailed(), viewFailed);
    EXPECT_EQ(r.DownloadSkipped(), viewSkipped);
    EXPECT_EQ(r.Date, viewRecord.LastModified);
    EXPECT_EQ(dir.Read("Previews/Harbour Cam.JPG"), viewPreview);
    EXPECT_TRUE(DataFiles(dir, "image.*.dat").isEmpty());
}

const TFaultReply kDated = TFaultReply::Ok("", "Last-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n");

std::string TruncatedJpeg() {
    std::string jpeg = EncodeJpeg(CameraPicture(160, 120));
    return jpeg.substr(0, jpeg.size() - jpeg.size() / 4);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PoolAsView,
    testing::Values(
        SameCase{"NewImage", kDated, TFaultReply::Ok(Jpeg()), false, TFetchOutcome::Updated, "",
                 "Downloaded "},
        SameCase{"SameDateSkips", kDated, TFaultReply::Ok(Jpeg()), true, TFetchOutcome::Skipped, "",
                 "Download skipped.  Server"},
        SameCase{"NoPreviewNeverSkips", kDated, TFaultReply::Ok(Jpeg()), true,
                 TFetchOutcome::Updated, "", "Downloaded ", false},
        SameCase{"HeadFailsGetSucceeds", TFaultReply::Status("HTTP/1.1 404 Not Found"),
                 TFaultReply::Ok(Jpeg()), false, TFetchOutcome::Updated, "", "Downloaded "},
        SameCase{"HeadStallsGetAnswers", Stall(), TFaultReply::Ok(Jpeg()), false,
                 TFetchOutcome::Updated, "", "Downloaded "},
        SameCase{"SlowSameDateDropsAnEarlyBody",
                 [] {
                     TFaultReply r = kDated;
                     r.DelayBeforeHeadMs = 300;
                     return r;
                 }(),
                 TFaultReply::Ok(Jpeg()), true, TFetchOutcome::Skipped, "",
                 "Download skipped.  Server"},
        SameCase{"Redirect", kDated, TFaultReply::Status("HTTP/1.1 302 Found", "Location: /x\r\n"),
                 false, TFetchOutcome::Failed, "HTTP 302", "Download failed"},
        SameCase{"Stall", kDated, Stall(), false, TFetchOutcome::Failed, "time-out",
                 "Download failed"},
        SameCase{"Refused", kDated, kDated, false, TFetchOutcome::Failed, "connection refused",
                 "Download failed"},
        SameCase{"EmptyBody", kDated, TFaultReply::Ok(""), false, TFetchOutcome::ZeroBytes,
                 "0 bytes", "Download failed.  Download was 0 bytes."},
        SameCase{"HtmlPage", kDated, TFaultReply::Ok("<html>Oops</html>"), false,
                 TFetchOutcome::UnknownFormat, "not an image", "Unknown image format."},
        SameCase{"TruncatedJpeg", kDated, TFaultReply::Ok(TruncatedJpeg()), false,
                 TFetchOutcome::JpegIncomplete, "incomplete JPEG",
                 "Download skipped.  JPG file was incomplete."}),
    [](const auto& info) { return std::string(info.param.name); });
