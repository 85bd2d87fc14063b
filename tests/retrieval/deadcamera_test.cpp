// A camera that cannot be reached costs one time-out. When the date check
// cannot reach the camera at all, no GET is sent: a server that appears on
// the camera's port as the download step begins never hears of it, and the
// View ends exactly as after a failed GET. A date check that reached the
// server and had no answer in time, or an error status, still goes on to the
// GET, which the fault server counts.
#include "catalogue/settings.h"
#include "imaging/imagefixtures.h"
#include "retrieval/camerafetch.h"
#include "retrieval/httpsession.h"
#include "support/faultserver.h"
#include "support/localport.h"
#include "support/mainformfixture.h"
#include "util/datadirectory.h"

#include <QDir>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

std::string Jpeg() {
    return EncodeJpeg(CameraPicture(64, 48));
}

// A port whose connections are never completed: a listener with no room in
// its queue, which one connection of our own fills. The kernel drops the
// opening packets of any further one, so connecting to it runs out of time.
class TFullListener {
  public:
    TFullListener() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~TFullListener() { Close(); }
    int Port() const { return port_; }
    void Close() {
        for (int* fd : {&filler_, &listener_})
            if (*fd >= 0) ::close(*fd);
        filler_ = listener_ = -1;
    }

  private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
};

enum class TReach {
    Refused,      // nothing listens on its port during the date check
    ConnectHangs, // its port never completes a connection
    Answers,      // the fault server, with the row's reply to HEAD
};

struct FetchCase {
    const char* name;
    TReach camera;
    TFaultReply head;
    bool earlyDownload; // the pool's rule; the View waits for the date
    int connectTimeoutMs;
    std::vector<std::string> heard; // requests that reached the server, in order
    TFetchOutcome outcome;
    const char* reason;
};

void PrintTo(const FetchCase& c, std::ostream* os) {
    *os << c.name;
}

// Records the steps and opens the camera as the download step begins.
struct TStepLog : IFetchObserver {
    std::vector<std::string> Steps;
    std::function<void()> OnDownload;
    void FetchStep(TCameraFetch&, TFetchStep step) override {
        if (step == TFetchStep::Download) {
            Steps.push_back("download");
            if (OnDownload) OnDownload();
        }
    }
    void FetchDate(TCameraFetch&, const std::string&, TDateSource source) override {
        Steps.push_back(source == TDateSource::HeadFailed ? "date failed" : "date");
    }
};

class UnreachableFetch : public testing::TestWithParam<FetchCase> {
  protected:
    void SetUp() override {
        SetDataDirectory(dir.Path());
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    }
    TTempDir dir;
};

} // namespace

TEST_P(UnreachableFetch, SendsTheGetOnlyWhenTheDateCheckReachedTheServer) {
    const FetchCase& c = GetParam();
    std::unique_ptr<TFaultServer> server;
    TFullListener hanging;
    int port = c.camera == TReach::ConnectHangs ? hanging.Port() : FreeLocalPort();
    auto open = [&] {
        hanging.Close();
        server = std::make_unique<TFaultServer>(port);
        server->On("GET", "/cam", TFaultReply::Ok(Jpeg()));
    };
    if (c.camera == TReach::Answers) {
        open();
        server->On("HEAD", "/cam", c.head);
    }
    TStepLog log;
    log.OnDownload = [&] {
        if (!server) open();
    };
    TFetchRequest request;
    request.Url = "http://127.0.0.1:" + std::to_string(port) + "/cam";
    request.Description = "Cam";
    request.Timeout = "400";
    request.ConnectTimeoutMs = c.connectTimeoutMs;
    request.EarlyDownload = c.earlyDownload;
    request.WorkFile = dir.File("image.dat");
    THttpSession session;
    TCameraFetch fetch(session, request, &log);
    while (!fetch.Advance()) {
        session.Wait(20);
        session.Perform();
    }

    ASSERT_TRUE(server);
    std::vector<std::string> heard;
    for (const TFaultRequest& r : server->Requests())
        heard.push_back(r.Method);
    EXPECT_EQ(heard, c.heard);
    EXPECT_EQ(fetch.Result().Outcome, c.outcome);
    EXPECT_EQ(fetch.Result().Reason, c.reason);
    EXPECT_EQ(log.Steps, (std::vector<std::string>{"date failed", "download"}));
    EXPECT_FALSE(dir.Exists("image.dat"));
}

TFaultReply Stall() {
    TFaultReply r = TFaultReply::Ok("", "Last-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n");
    r.DelayBeforeHeadMs = 3000;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, UnreachableFetch,
    testing::Values(FetchCase{"RefusedGetsNoGet",
                              TReach::Refused,
                              {},
                              false,
                              0,
                              {},
                              TFetchOutcome::Failed,
                              "connection refused"},
                    FetchCase{"RefusedGetsNoEarlyGet",
                              TReach::Refused,
                              {},
                              true,
                              0,
                              {},
                              TFetchOutcome::Failed,
                              "connection refused"},
                    FetchCase{"ConnectTimeOutGetsNoEarlyGet",
                              TReach::ConnectHangs,
                              {},
                              true,
                              600,
                              {},
                              TFetchOutcome::Failed,
                              "time-out"},
                    FetchCase{"ReadTimeOutStillSendsTheGet",
                              TReach::Answers,
                              Stall(),
                              false,
                              0,
                              {"HEAD", "GET"},
                              TFetchOutcome::Updated,
                              ""},
                    FetchCase{"ErrorStatusStillSendsTheGet",
                              TReach::Answers,
                              TFaultReply::Status("HTTP/1.1 503 Service Unavailable"),
                              false,
                              0,
                              {"HEAD", "GET"},
                              TFetchOutcome::Updated,
                              ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The View: a refused camera ends as a failed GET -------------------------

class DeadCameraView : public MainFormFixture {
  protected:
    struct TEnding {
        std::vector<std::string> statuses;
        bool failed = false, skipped = false;
        std::string date, recordDate;
        std::int32_t totalBytes = 0, totalImages = 0;
        std::string caption;
        bool operator==(const TEnding&) const = default;
    };

    void SetUp() override {
        MainFormFixture::SetUp();
        WriteCatalogue({{"Harbour Cam", "", "", "5", "Sat, 01 Jan 2000 00:00:00 GMT"}});
        WriteKnownVersion();
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
        dir.Write("Previews/Harbour Cam.JPG", Jpeg());
        Start();
        Forms().Settings->timeout->setText("400");
        QObject::connect(Main().stats, &QStatusBar::messageChanged, &Main(),
                         [this](const QString& text) {
                             statuses_.push_back(text.toStdString());
                             if (text == "Attempting to download image..." && onDownload_)
                                 onDownload_();
                         });
    }

    TEnding View(const std::string& url) {
        Main().url->setText(QString::fromStdString(url));
        statuses_.clear();
        Main().viewbutton->click();
        return {statuses_,
                App().DownloadFailed,
                App().DownloadSkipped,
                Main().DateEdit->text().toStdString(),
                App().Catalogue.Records[1].LastModified,
                App().TotalBytes,
                App().TotalImages,
                Main().viewbutton->text().toStdString()};
    }

    std::vector<std::string> statuses_;
    std::function<void()> onDownload_;
};

TEST_F(DeadCameraView, RefusedCameraEndsAsAFailedGetWithoutSendingIt) {
    TFaultServer failing;
    failing.On("", "/cam", TFaultReply::Status("HTTP/1.1 503 Service Unavailable"));
    const TEnding failedGet = View(failing.Url("/cam"));
    ASSERT_EQ(failing.RequestCount(), 2u);

    const int port = FreeLocalPort();
    std::unique_ptr<TFaultServer> late;
    onDownload_ = [&] {
        late = std::make_unique<TFaultServer>(port);
        late->On("GET", "/cam", TFaultReply::Ok(Jpeg()));
    };
    const TEnding refused = View("http://127.0.0.1:" + std::to_string(port) + "/cam");
    ASSERT_TRUE(late);
    EXPECT_EQ(late->RequestCount(), 0u);
    EXPECT_EQ(refused, failedGet);
    EXPECT_EQ(refused.statuses.back(), "Download failed");
    EXPECT_TRUE(refused.failed);
    EXPECT_EQ(refused.date, "Sat, 01 Jan 2000 00:00:00 GMT");
}
