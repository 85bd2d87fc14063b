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
#include "support/unreachableport.h"
#include "util/datadirectory.h"

#include <QDir>
#include <tuple>

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
    TUnreachablePort unreachable;
    const int port = unreachable.Port();

    // The camera answers once the download step begins.
    struct TOpenOnDownload : IFetchObserver {
        std::function<void()> Open;
        void FetchStep(TCameraFetch&, TFetchStep step) override {
            if (step == TFetchStep::Download) Open();
        }
    } observer;
    std::unique_ptr<TFaultServer> server;
    observer.Open = [&] {
        unreachable.Close();
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
