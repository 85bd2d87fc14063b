// Motion-JPEG cameras: the first whole picture of the stream is the image,
// whatever the camera's way of writing boundaries and parts; a stream that
// never brings one, or brings one above the cap, is a failed download. Each
// shape is read fed byte by byte, and fetched from our fault server, which
// holds the connection after what it sent as a camera would.
#include "imaging/imagefixtures.h"
#include "retrieval/camerafetch.h"
#include "retrieval/httpsession.h"
#include "retrieval/multipartstream.h"
#include "support/faultserver.h"
#include "support/mainformfixture.h"
#include "util/datadirectory.h"

#include <QDir>
#include <chrono>
#include <thread>

using namespace lumisk;
using namespace lumisk::test;

namespace {

const std::string kJpeg = EncodeJpeg(CameraPicture(64, 48));
const std::string kDate = "Sat, 01 Jan 2000 00:00:00 GMT";
constexpr std::int64_t kCap = 20000;

std::string Part(const std::string& headers, const std::string& data) {
    return headers + "\r\n" + data;
}

struct StreamCase {
    const char* name;
    std::string boundaryParameter; // after "multipart/x-mixed-replace;"
    std::string sent;
    bool endless;          // filler after what was sent, until the client goes
    bool closes;           // the camera closes after what it sent
    TFetchOutcome outcome; // Updated: the picture is kJpeg
    std::string reason;
};

void PrintTo(const StreamCase& c, std::ostream* out) {
    *out << c.name;
}

class MotionJpeg : public testing::TestWithParam<StreamCase> {};

TEST_P(MotionJpeg, FirstWholePartIsThePicture) {
    const StreamCase& c = GetParam();
    const std::string contentType = "multipart/x-mixed-replace;" + c.boundaryParameter;

    const std::optional<std::string> boundary = TMultipartStream::StreamBoundary(contentType);
    ASSERT_TRUE(boundary);
    TMultipartStream stream(*boundary, kCap);
    std::string sent = c.sent + (c.endless ? std::string(kCap + 70000, 'x') : "");
    for (const char byte : sent)
        stream.Feed(&byte, 1);
    const bool updated = c.outcome == TFetchOutcome::Updated;
    using TState = TMultipartStream::TState;
    EXPECT_EQ(stream.State(), updated                   ? TState::Complete
                              : c.reason == "too large" ? TState::TooLarge
                                                        : TState::Reading);
    EXPECT_EQ(stream.Part(), updated ? kJpeg : "");

    TTempDir dir;
    SetDataDirectory(dir.Path());
    QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    TFaultServer camera;
    // The date a still camera would give must not skip a stream.
    camera.On("HEAD", "/video",
              TFaultReply::Status("HTTP/1.1 200 OK", "Content-Type: " + contentType +
                                                         "\r\nLast-Modified: " + kDate + "\r\n"));
    TFaultReply get;
    get.Head = "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\n\r\n";
    get.Body = c.sent;
    get.Endless = c.endless;
    get.HoldOpen = !c.closes;
    camera.On("GET", "/video", get);

    TFetchRequest request;
    request.Url = camera.Url("/video");
    request.Description = "Gate";
    request.PreviousDate = kDate;
    request.Timeout = "300";
    request.WorkFile = dir.File("image.dat");
    THttpSession session;
    session.SetMaxBodyBytes(kCap);
    TCameraFetch fetch(session, request);
    while (!fetch.Advance()) {
        session.Wait(20);
        session.Perform();
    }
    const TFetchResult& result = fetch.Result();
    EXPECT_EQ(result.Outcome, c.outcome) << result.Reason;
    EXPECT_EQ(result.Reason, c.reason);
    EXPECT_EQ(result.Date, updated ? "" : kDate);
    if (updated) {
        EXPECT_EQ(dir.Read("Previews/Gate.JPG"), kJpeg);
        EXPECT_EQ(result.Bytes, static_cast<std::int64_t>(kJpeg.size()));
    }
    if (!c.closes) {
        // The rest of the stream is not wanted: the connection is let go.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (camera.ClosedByClient() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(camera.ClosedByClient(), 1);
    }
}

const std::string kTypeHeader = "Content-Type: image/jpeg\r\n";
const std::string kLengthHeader = "Content-Length: " + std::to_string(kJpeg.size()) + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Shapes, MotionJpeg,
    testing::Values(StreamCase{"FirstBoundaryWithoutLineEndPartWithLength", " boundary=frame",
                               "--frame\r\n" + Part(kTypeHeader + kLengthHeader, kJpeg) + "\r\n",
                               false, false, TFetchOutcome::Updated, ""},
                    StreamCase{"LeadingLineEndPartEndsAtTheNextBoundary", "boundary=\"frame\"",
                               "\r\n--frame\r\n" + Part(kTypeHeader, kJpeg) + "\r\n--frame\r\n" +
                                   Part(kTypeHeader, kJpeg.substr(0, 100)),
                               false, false, TFetchOutcome::Updated, ""},
                    StreamCase{
                        "DashedParameterBoundaryRightAfterTheDataLfLines", " boundary=--myboundary",
                        "--myboundary\nContent-Type: image/jpeg\n\n" + kJpeg + "--myboundary\n",
                        false, false, TFetchOutcome::Updated, ""},
                    StreamCase{"NeverAWholePart", " boundary=frame",
                               "--frame\r\n" + Part(kTypeHeader, kJpeg.substr(0, 500)), false,
                               false, TFetchOutcome::Failed, "time-out"},
                    StreamCase{"ClosedBeforeAWholePart", " boundary=frame",
                               "--frame\r\n" + Part(kTypeHeader, kJpeg.substr(0, 500)), false, true,
                               TFetchOutcome::Failed, "closed by the server"},
                    StreamCase{"AnnouncedPartAboveTheCap", " boundary=frame",
                               "--frame\r\n" + Part("Content-Length: 30000\r\n", ""), true, false,
                               TFetchOutcome::Failed, "too large"},
                    StreamCase{"UnannouncedPartAboveTheCap", " boundary=frame",
                               "--frame\r\n" + Part(kTypeHeader, ""), true, false,
                               TFetchOutcome::Failed, "too large"}),
    [](const auto& info) { return std::string(info.param.name); });

// The window goes on as for a still JPEG: preview kept, shown, and an empty
// date, whether the camera refuses the date check or streams to it too.
class MotionJpegView : public MainFormFixture {};

TEST_F(MotionJpegView, KeepsThePictureWithAnEmptyDate) {
    TFaultReply stream;
    stream.Head =
        "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n";
    stream.Body = "--frame\r\n" + Part(kTypeHeader + kLengthHeader, kJpeg) + "\r\n";
    stream.HoldOpen = true;
    TFaultReply streamToHead = stream;
    streamToHead.Head += stream.Body;
    WriteKnownVersion();
    Start();
    for (const TFaultReply& head :
         {TFaultReply::Status("HTTP/1.1 405 Method Not Allowed"), streamToHead}) {
        TFaultServer camera;
        camera.On("HEAD", "/video", head);
        camera.On("GET", "/video", stream);
        Main().addbutton->click();
        Main().description->setText("Gate");
        Main().url->setText(QString::fromStdString(camera.Url("/video")));
        Main().DateEdit->setText(QString::fromStdString(kDate));
        QFile::remove(QString::fromStdString(dir.File("Previews/Gate.JPG")));
        Main().viewbutton->click();
        EXPECT_FALSE(App().DownloadFailed);
        EXPECT_EQ(Main().stats->currentMessage().toStdString().rfind("Downloaded ", 0), 0u)
            << Main().stats->currentMessage().toStdString();
        EXPECT_EQ(Main().DateEdit->text().toStdString(), "");
        EXPECT_EQ(App().Catalogue.CurrentRecord().LastModified, "");
        EXPECT_TRUE(dir.Read("Previews/Gate.JPG") == kJpeg);
    }
}

} // namespace
