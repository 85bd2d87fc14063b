// A camera that cannot be reached costs one time-out. When the date check
// cannot reach the camera at all, no GET is sent: a server that appears on
// the camera's port as the download step begins never hears of it, and the
// View ends exactly as after a failed GET. A date check that reached the
// server and had no answer in time still goes on to the GET.
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
#include <tuple>
#include <unistd.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

std::string Jpeg() {
    return EncodeJpeg(CameraPicture(64, 48));
}

class DeadCameraView : public MainFormFixture {};

} // namespace

TEST_F(DeadCameraView, RefusedCameraEndsAsAFailedGetAndASilentOneStillGetsIt) {
    WriteCatalogue({{"Harbour Cam", "", "", "5", "Sat, 01 Jan 2000 00:00:00 GMT"}});
    WriteKnownVersion();
    QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    dir.Write("Previews/Harbour Cam.JPG", Jpeg());
    Start();
    Forms().Settings->timeout->setText("400");
    std::vector<std::string> statuses;
    std::function<void()> onDownload = [] {};
    QObject::connect(Main().stats, &QStatusBar::messageChanged, &Main(), [&](const QString& t) {
        statuses.push_back(t.toStdString());
        if (t == "Attempting to download image...") onDownload();
    });
    // What the window shows and keeps after a View.
    auto view = [&](const std::string& url) {
        Main().url->setText(QString::fromStdString(url));
        statuses.clear();
        Main().viewbutton->click();
        const TAppState& app = App();
        return std::tuple(statuses, app.DownloadFailed, app.DownloadSkipped,
                          Main().DateEdit->text().toStdString(),
                          app.Catalogue.Records[1].LastModified, app.TotalBytes, app.TotalImages,
                          Main().viewbutton->text().toStdString());
    };
    TFaultServer failing;
    failing.On("", "/cam", TFaultReply::Status("HTTP/1.1 503 Service Unavailable"));
    const auto failedGet = view(failing.Url("/cam"));
    ASSERT_EQ(failing.RequestCount(), 2u);
    EXPECT_EQ(std::get<0>(failedGet).back(), "Download failed");

    const int port = FreeLocalPort();
    std::unique_ptr<TFaultServer> late;
    onDownload = [&] {
        late = std::make_unique<TFaultServer>(port);
        late->On("GET", "/cam", TFaultReply::Ok(Jpeg()));
    };
    EXPECT_EQ(view("http://127.0.0.1:" + std::to_string(port) + "/cam"), failedGet);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->RequestCount(), 0u);

    onDownload = [] {};
    TFaultServer silent;
    TFaultReply stall = TFaultReply::Ok("");
    stall.DelayBeforeHeadMs = 3000;
    silent.On("HEAD", "/cam", stall);
    silent.On("GET", "/cam", TFaultReply::Ok(Jpeg()));
    view(silent.Url("/cam"));
    EXPECT_EQ(silent.RequestCount(), 2u) << "the HEAD ran out of time, then the GET";
    EXPECT_FALSE(App().DownloadFailed);
}

// A host that never completes the connection costs one read time-out, not
// the system's connect time-out of minutes, and gets no GET: neither the
// View's, nor the pool's early one, which must wait for a connection first.
class DeadCameraFetch : public testing::TestWithParam<bool> {};

TEST_P(DeadCameraFetch, ConnectTimeOutWithinTheReadTimeOutGetsNoGet) {
    TTempDir dir;
    SetDataDirectory(dir.Path());
    // A port whose connections never complete: a listener with room for one
    // waiting connection, which one of our own takes, so that the kernel
    // drops the opening packets of any other.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    ::bind(listener, any, sizeof address);
    ::listen(listener, 0);
    ::getsockname(listener, any, &length);
    ::connect(filler, any, sizeof address);
    const int port = ntohs(address.sin_port);

    // The camera answers once the download step begins.
    struct TOpenOnDownload : IFetchObserver {
        std::function<void()> Open;
        void FetchStep(TCameraFetch&, TFetchStep step) override {
            if (step == TFetchStep::Download) Open();
        }
    } observer;
    std::unique_ptr<TFaultServer> server;
    observer.Open = [&] {
        ::close(filler);
        ::close(listener);
        server = std::make_unique<TFaultServer>(port);
        server->On("GET", "/cam", TFaultReply::Ok(Jpeg()));
    };
    TFetchRequest request;
    request.Url = "http://127.0.0.1:" + std::to_string(port) + "/cam";
    request.Timeout = "400";
    request.EarlyDownload = GetParam();
    request.WorkFile = dir.File("image.dat");
    THttpSession session;
    TCameraFetch fetch(session, request, &observer);
    while (!fetch.Advance()) {
        session.Wait(20);
        session.Perform();
    }
    ASSERT_TRUE(server);
    EXPECT_EQ(server->RequestCount(), 0u);
    EXPECT_EQ(fetch.Result().Reason, "time-out");
}

INSTANTIATE_TEST_SUITE_P(ViewAndPool, DeadCameraFetch, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "EarlyGet" : "View"; });
