// The View action end to end: the main window's View button against a real
// nginx, a real tinyproxy and our fault server, with the flags, status texts,
// counters and files each outcome leaves.
#include "catalogue/settings.h"
#include "imaging/bmpwriter.h"
#include "imaging/imagefixtures.h"
#include "retrieval/httpclient.h"
#include "retrieval/viewpipeline.h"
#include "support/faultserver.h"
#include "support/mainformfixture.h"
#include "support/nginxserver.h"
#include "support/tinyproxyserver.h"
#include "viewers/viewform.h"
#include "util/textutils.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <sys/stat.h>
#include <utime.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

std::string Jpeg() { return EncodeJpeg(CameraPicture(64, 48)); }

// Cut inside the compressed data: the header is whole, the end marker gone.
std::string TruncatedJpeg() {
    std::string jpeg = EncodeJpeg(CameraPicture(160, 120));
    return jpeg.substr(0, jpeg.size() - jpeg.size() / 4);
}

TFaultReply RawReply(const std::string& head, const std::string& body = "") {
    TFaultReply r;
    r.Head = head;
    r.Body = body;
    return r;
}

QStringList PreviewFiles(const TTempDir& dir) {
    return QDir(QString::fromStdString(dir.File("Previews"))).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class ViewAction : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        WriteCatalogue({{"Harbour Cam", "", "", "5", ""}, {"Second Cam", "", "", "", ""}});
        WriteKnownVersion();
        Start();
        Dialogs().Shown.clear();
    }
    void UseUrl(const std::string& url) { Main().url->setText(QString::fromStdString(url)); }
    void View() { Main().viewbutton->click(); }
    std::string Status() { return Main().Status().toStdString(); }
    void ExpectIdle() {
        EXPECT_EQ(Main().viewbutton->text(), "View");
        EXPECT_TRUE(Main().addbutton->isEnabled());
        EXPECT_TRUE(Main().RandomButton->isEnabled());
    }
};

// ---- A real web server ------------------------------------------------------

class ViewFromNginx : public ViewAction {
protected:
    void SetUp() override {
        if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
        ViewAction::SetUp();
        QDir().mkpath(QString::fromStdString(www.Path()));
        nginx = std::make_unique<TNginx>(www.Path());
    }
    TTempDir www;
    std::unique_ptr<TNginx> nginx;
};

struct FormatCase {
    const char* type;
    std::string (*make)();
};

class ViewEachFormat : public ViewFromNginx, public testing::WithParamInterface<FormatCase> {};

TEST_P(ViewEachFormat, LeavesExactlyThePreviewFile) {
    const std::string bytes = GetParam().make();
    www.Write("cam.img", bytes);
    UseUrl(nginx->Url("/cam.img"));
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_FALSE(App().DownloadFailed || App().DownloadSkipped);
    const std::string type = GetParam().type;
    EXPECT_EQ(PreviewFiles(dir), QStringList{QString::fromStdString("Harbour Cam." + type)});
    EXPECT_EQ(dir.Read("Previews/Harbour Cam." + type), bytes);
    EXPECT_FALSE(dir.Exists("image.dat") || dir.Exists("image." + type));
    EXPECT_EQ(App().TotalImages, 1);
    EXPECT_EQ(App().SessionBytes, static_cast<int>(bytes.size()));
    EXPECT_EQ(Main().DateEdit->text().right(4), " GMT");
    // The displays follow: panel, age, thumbnail, viewer.
    EXPECT_TRUE(Main().PreviewImage->toolTip().startsWith("Last successfull download."));
    EXPECT_TRUE(Main().Difference->text().startsWith("0 days, 00:0")) << Main().Difference->text().toStdString();
    EXPECT_TRUE(App().Catalogue.Records[1].thumbnail != nullptr);
    EXPECT_TRUE(Forms().ViewForm->isVisible());
    ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Types, ViewEachFormat,
    testing::Values(FormatCase{"JPG", &Jpeg},
                    FormatCase{"GIF", [] { return SimpleGif(8, 6, 8, 6); }},
                    FormatCase{"PNG", [] { return EncodePng(CameraPicture(20, 10)); }},
                    FormatCase{"BMP",
                               [] {
                                   TTempDir t;
                                   SaveImageAsBitmap(CameraPicture(9, 7), t.File("x.bmp"));
                                   return t.Read("x.bmp");
                               }}),
    [](const auto& info) { return std::string(info.param.type); });

TEST_F(ViewFromNginx, UnchangedImageIsSkippedUntilTheFileIsTouched) {
    www.Write("cam.jpg", Jpeg());
    UseUrl(nginx->Url("/cam.jpg"));
    View();
    ASSERT_EQ(App().TotalImages, 1);
    const std::int32_t bytes = App().TotalBytes;

    View();
    EXPECT_EQ(Status(), "Download skipped.  Server file date matches preview file.");
    EXPECT_TRUE(App().DownloadSkipped);
    EXPECT_FALSE(App().DownloadFailed);
    EXPECT_EQ(App().TotalImages, 1);
    EXPECT_EQ(App().TotalBytes, bytes);

    struct utimbuf later {time(nullptr) + 3600, time(nullptr) + 3600};
    ASSERT_EQ(utime(www.File("cam.jpg").c_str(), &later), 0);
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_EQ(App().TotalImages, 2);
}

TEST_F(ViewFromNginx, ProxyIsUsedOnlyWhenEnabled) {
    if (!TTinyproxy::Available()) GTEST_SKIP() << TTinyproxy::SkipReason;
    TTinyproxy proxy;
    www.Write("viaproxy.jpg", Jpeg());
    www.Write("direct.jpg", Jpeg());
    TSettings& s = *Forms().Settings;
    s.DateSkip->setChecked(false); // both files carry the same date
    s.EnableProxy->setChecked(true);
    s.proxyserver->setText("127.0.0.1");
    s.proxyserverport->setText(QString::number(proxy.Port()));
    UseUrl(nginx->Url("/viaproxy.jpg"));
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_TRUE(WaitFor([&] { return proxy.LogShowsRequest("/viaproxy.jpg"); }));

    s.EnableProxy->setChecked(false);
    UseUrl(nginx->Url("/direct.jpg"));
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_FALSE(proxy.LogShowsRequest("/direct.jpg"));
}

TEST_F(ViewFromNginx, AddressWithoutSchemeIsCompletedAndStored) {
    www.Write("cam.jpg", Jpeg());
    const std::string full = nginx->Url("/cam.jpg");
    UseUrl(full.substr(7));
    View();
    EXPECT_EQ(Main().url->text().toStdString(), full);
    Main().nextbutton->click();
    EXPECT_EQ(App().Catalogue.Records[1].ImageUrl, full);
    EXPECT_EQ(App().Catalogue.Records[1].LastModified.substr(0, 3).size(), 3u);
}

// ---- Misbehaving servers ----------------------------------------------------

struct FaultCase {
    const char* name;
    TFaultReply head;
    TFaultReply get;
    const char* status;   // whole status text, or prefix when ending in "*"
    bool failed, skipped;
    const char* dateAfter; // "" keeps the previous date
    bool workFileLeft;
};

class ViewFromFaultServer : public ViewAction, public testing::WithParamInterface<FaultCase> {};

TEST_P(ViewFromFaultServer, OutcomeFlagsDateAndFiles) {
    const FaultCase& c = GetParam();
    TFaultServer server;
    server.On("HEAD", "/cam", c.head);
    server.On("GET", "/cam", c.get);
    Forms().Settings->timeout->setText("400");
    Main().HTTP->SetMaxBodyBytes(256 * 1024);
    Main().DateEdit->setText("Sat, 01 Jan 2000 00:00:00 GMT");
    const std::string oldPreview = Jpeg();
    dir.Write("Previews/Harbour Cam.JPG", oldPreview);
    UseUrl(server.Url("/cam"));
    View();

    std::string want = c.status;
    if (!want.empty() && want.back() == '*') {
        EXPECT_EQ(Status().rfind(want.substr(0, want.size() - 1), 0), 0u) << Status();
    } else {
        EXPECT_EQ(Status(), want);
    }
    EXPECT_EQ(App().DownloadFailed, c.failed);
    EXPECT_EQ(App().DownloadSkipped, c.skipped);
    const std::string date = *c.dateAfter ? c.dateAfter : "Sat, 01 Jan 2000 00:00:00 GMT";
    EXPECT_EQ(Main().DateEdit->text().toStdString(), date);
    EXPECT_EQ(dir.Exists("image.dat"), c.workFileLeft);
    EXPECT_FALSE(dir.Exists("image.JPG"));
    if (c.failed) {
        EXPECT_EQ(dir.Read("Previews/Harbour Cam.JPG"), oldPreview);
    }
    ExpectIdle();
}

const TFaultReply kDated = TFaultReply::Ok("", "Last-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n");

INSTANTIATE_TEST_SUITE_P(
    Rows, ViewFromFaultServer,
    testing::Values(
        FaultCase{"HeadFailsButGetSucceeds", TFaultReply::Status("HTTP/1.1 404 Not Found"),
                  TFaultReply::Ok(Jpeg()), "Downloaded *", false, false,
                  "Unable to read date from server", false},
        FaultCase{"LowerCaseDateHeaderIsNotADate",
                  TFaultReply::Ok("", "last-modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n"),
                  TFaultReply::Ok(Jpeg()), "Downloaded *", false, false,
                  "Unable to parse date from server", false},
        FaultCase{"RedirectIsNotFollowed", kDated,
                  TFaultReply::Status("HTTP/1.1 302 Found", "Location: /other\r\n"),
                  "Download failed", true, false, "", false},
        FaultCase{"BodyWithoutLengthEndsAtClose", kDated, TFaultReply::UntilClose(Jpeg()),
                  "Downloaded *", false, false, "Mon, 07 Nov 1994 08:49:37 GMT", false},
        FaultCase{"BodyCutShortFails", kDated,
                  [] {
                      TFaultReply r = TFaultReply::UntilClose(Jpeg().substr(0, 100));
                      r.Head = "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n";
                      return r;
                  }(),
                  "Download failed", true, false, "", false},
        FaultCase{"StallPastTheReadTimeOutFails", kDated,
                  [] {
                      TFaultReply r = TFaultReply::Ok(Jpeg());
                      r.DelayBeforeHeadMs = 3000;
                      return r;
                  }(),
                  "Download failed", true, false, "", false},
        FaultCase{"EmptyBody", kDated, TFaultReply::Ok(""),
                  "Download failed.  Download was 0 bytes.", true, false, "", true},
        FaultCase{"HtmlErrorPage", kDated, TFaultReply::Ok("<html><body>Oops</body></html>"),
                  "Unknown image format.  Cannot display.", true, false, "", true},
        FaultCase{"TruncatedJpeg", kDated, TFaultReply::Ok(TruncatedJpeg()),
                  "Download skipped.  JPG file was incomplete.", true, true, "", false},
        FaultCase{"EndlessBodyIsCut", kDated,
                  [] {
                      TFaultReply r = TFaultReply::UntilClose(Jpeg());
                      r.Endless = true;
                      return r;
                  }(),
                  "Download failed", true, false, "", false},
        FaultCase{"ErrorPageEndingInALoneCrLineIsNoImage", kDated,
                  RawReply("HTTP/1.1 404 Not Found\r\nContent-Type: image/jpeg\r\n\r\r\n", Jpeg()),
                  "Download failed", true, false, "", false},
        FaultCase{"UnendedErrorHeadGivesNoDateToSkipOn",
                  RawReply("HTTP/1.1 503 Busy\r\nLast-Modified: Sat, 01 Jan 2000 00:00:00 GMT\r\n"),
                  TFaultReply::Ok(Jpeg()), "Downloaded *", false, false,
                  "Unable to read date from server", false},
        FaultCase{"FirstDateCheckHasTheReadTimeOut",
                  [] {
                      TFaultReply r = kDated;
                      r.DelayBeforeHeadMs = 20000;
                      return r;
                  }(),
                  TFaultReply::Ok(Jpeg()), "Downloaded *", false, false,
                  "Unable to read date from server", false},
        FaultCase{"ServerDateLosesItsControlCharacters",
                  RawReply("HTTP/1.1 200 OK\r\nLast-Modified: Mon, 07 Nov\x01 1994 08:49:37\x7F "
                           "GMT\r\r\nContent-Length: 0\r\n\r\n"),
                  TFaultReply::Ok(Jpeg()), "Downloaded *", false, false,
                  "Mon, 07 Nov 1994 08:49:37 GMT", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewAction, EmptyServerDateNeverSkipsACameraWithoutDate) {
    TFaultServer server;
    server.On("HEAD", "/cam", TFaultReply::Ok("", "Last-Modified: \r\n"));
    server.On("GET", "/cam", TFaultReply::Ok(Jpeg()));
    UseUrl(server.Url("/cam"));
    for (int view = 0; view < 2; ++view) {
        View();
        EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
        EXPECT_FALSE(App().DownloadSkipped);
    }
    EXPECT_EQ(App().TotalImages, 2);
}

TEST_F(ViewAction, AddressWithABlankIsFetchedAndKeptAsTyped) {
    TFaultServer server;
    server.On("", "/my%20cam.jpg", TFaultReply::Ok(Jpeg()));
    UseUrl(server.Url("/my cam.jpg"));
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_EQ(Main().url->text().toStdString(), server.Url("/my cam.jpg"));
}

TEST_F(ViewAction, TruncatedJpegKeepsTheServerDateInTheRecordOnly) {
    TFaultServer server;
    server.On("HEAD", "/cam", kDated);
    server.On("GET", "/cam", TFaultReply::Ok(TruncatedJpeg()));
    UseUrl(server.Url("/cam"));
    View();
    EXPECT_EQ(Main().DateEdit->text(), "");
    EXPECT_EQ(App().Catalogue.Records[1].LastModified, "Mon, 07 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(App().TotalImages, 0);
}

TEST_F(ViewAction, SuccessReportsSizeAndTime) {
    TFaultServer server;
    const std::string jpeg = Jpeg();
    server.On("", "/cam", TFaultReply::Ok(jpeg, "Last-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n"));
    UseUrl(server.Url("/cam"));
    View();
    EXPECT_EQ(Status(), "Downloaded " + ByteSizeText(static_cast<std::int64_t>(jpeg.size())) + " in 00:00:00");
}

TEST_F(ViewAction, AbortDuringTheBodyEndsTheViewAndFreesTheWindow) {
    TFaultServer server;
    server.On("HEAD", "/cam", kDated);
    TFaultReply drip = TFaultReply::Ok(std::string(200000, 'x'));
    drip.ChunkBytes = 1000;
    drip.ChunkDelayMs = 20;
    server.On("GET", "/cam", drip);
    UseUrl(server.Url("/cam"));
    bool clicked = false;
    QTimer abort;
    QObject::connect(&abort, &QTimer::timeout, [&] {
        if (!clicked && Main().Status().contains("% - ")) {
            clicked = true;
            EXPECT_EQ(Main().viewbutton->text(), "Abort");
            EXPECT_FALSE(Main().nextbutton->isEnabled() || Main().addbutton->isEnabled());
            Main().viewbutton->click();
        }
    });
    abort.start(10);
    View();
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(App().AbortRequested);
    EXPECT_TRUE(Status() == "Download aborted" || Status() == "Download failed") << Status();
    EXPECT_EQ(Main().DateEdit->text(), "");
    EXPECT_GT(App().SessionBytes, 0);
    EXPECT_EQ(App().TotalImages, 0);
    ExpectIdle();
}

TEST_F(ViewAction, UndecodableOldPreviewIsReportedAfterTheOutcomeIsSettled) {
    TFaultServer server;
    server.On("", "/cam", TFaultReply::Status("HTTP/1.1 500 Internal Server Error"));
    dir.Write("Previews/Harbour Cam.JPG", "not a picture");
    UseUrl(server.Url("/cam"));
    View();
    EXPECT_EQ(Status(), "Download failed");
    EXPECT_TRUE(App().DownloadFailed);
    ASSERT_EQ(Dialogs().Texts("ErrorReport").size(), 1u);
    ExpectIdle();
}

TEST_F(ViewAction, BadProxyPortIsReportedAndLeavesTheWindowIdle) {
    TSettings& s = *Forms().Settings;
    s.DateSkip->setChecked(false); // both files carry the same date
    s.EnableProxy->setChecked(true);
    s.proxyserverport->setText("8o");
    UseUrl("http://127.0.0.1:9/cam.jpg");
    View();
    ASSERT_EQ(Dialogs().Texts("ErrorReport").size(), 1u);
    EXPECT_EQ(Dialogs().Texts("ErrorReport")[0], "'8o' is not a valid integer value.");
    ExpectIdle();
}

TEST_F(ViewAction, UnsafeDescriptionStaysInsideThePreviews) {
    TFaultServer server;
    server.On("", "/cam", TFaultReply::Ok(Jpeg()));
    Main().description->setText("../evil/cam:1?");
    UseUrl(server.Url("/cam"));
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_EQ(PreviewFiles(dir), QStringList{".._evil_cam_1_.JPG"});
    EXPECT_FALSE(dir.Exists("evil"));
}

TEST_F(ViewAction, HttpsAddressKeepsItsScheme) {
    UseUrl("HTTPS://127.0.0.1:9/cam.jpg");
    View();
    EXPECT_EQ(Main().url->text(), "https://127.0.0.1:9/cam.jpg");
    EXPECT_EQ(Status(), "Download failed");
}

TEST_F(ViewAction, AnotherCameraMadeCurrentKeepsItsOwnRecord) {
    TFaultServer server;
    server.On("HEAD", "/cam", kDated);
    TFaultReply slow = TFaultReply::Ok(Jpeg());
    slow.DelayBeforeHeadMs = 300;
    server.On("GET", "/cam", slow);
    UseUrl(server.Url("/cam"));
    QTimer::singleShot(100, [&] {
        Main().description_combo->setCurrentIndex(1);
        Main().description_comboClick();
    });
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_EQ(App().Catalogue.Current, 2);
    EXPECT_EQ(App().Catalogue.Records[1].LastModified, "Mon, 07 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(App().Catalogue.Records[1].ImageUrl, server.Url("/cam"));
    EXPECT_EQ(App().Catalogue.Records[2].LastModified, "");
    EXPECT_EQ(Main().description->text(), "Second Cam");
}

struct UrlCase {
    const char* typed;
    const char* fetched;
};

class NormaliseUrl : public testing::TestWithParam<UrlCase> {};

TEST_P(NormaliseUrl, SchemeInFrontInLowerCase) {
    EXPECT_EQ(TViewPipeline::NormaliseUrl(GetParam().typed), GetParam().fetched);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, NormaliseUrl,
    testing::Values(UrlCase{"cam.example/x.jpg", "http://cam.example/x.jpg"},
                    UrlCase{"HTTP://Cam.example/X.jpg", "http://Cam.example/X.jpg"},
                    UrlCase{"hTtP://a", "http://a"}, UrlCase{"", "http://"},
                    UrlCase{"HTTPS://a/b", "https://a/b"}, UrlCase{"http:/a", "http://http:/a"}));

// ---- Clicks that arrive while a View runs -----------------------------------

class ViewWhileRunning : public ViewAction {
protected:
    // A body dripped slowly enough that clicks land in the middle of it.
    void ServeDrip() {
        server.On("HEAD", "/cam", kDated);
        TFaultReply drip = TFaultReply::Ok(Jpeg() + std::string(100000, 'x'));
        drip.ChunkBytes = 1000;
        drip.ChunkDelayMs = 20;
        server.On("GET", "/cam", drip);
        UseUrl(server.Url("/cam"));
    }
    // Runs action once, as soon as the body is arriving.
    void DuringBody(std::function<void()> action) {
        auto* timer = new QTimer(&Main());
        QObject::connect(timer, &QTimer::timeout, [this, timer, action] {
            if (Main().Status().contains("% - ")) {
                timer->stop();
                action();
            }
        });
        timer->start(5);
    }
    std::size_t Gets() {
        std::size_t n = 0;
        for (const auto& r : server.Requests()) n += r.Method == "GET";
        return n;
    }
    TFaultServer server;
};

TEST_F(ViewWhileRunning, SecondClickAfterAbortDoesNotStartANestedView) {
    ServeDrip();
    bool delWhileWindingDown = true;
    DuringBody([&] {
        Main().viewbutton->click(); // Abort: the caption reads "View" again
        EXPECT_EQ(Main().viewbutton->text(), "View");
        delWhileWindingDown = Main().delbutton->isEnabled() || Main().sortbutton->isEnabled();
        Main().viewbutton->click(); // must abort again, not start a second View
    });
    View();
    EXPECT_FALSE(delWhileWindingDown);
    EXPECT_EQ(Gets(), 1u);
    EXPECT_TRUE(Status() == "Download aborted" || Status() == "Download failed") << Status();
    ExpectIdle();
}

TEST_F(ViewWhileRunning, AbortDuringTheFirstSavesIsNotForgotten) {
    ServeDrip();
    // Delivered by the first event processing of the View, while it saves
    // the settings.
    QTimer::singleShot(0, [this] { Main().viewbutton->click(); });
    View();
    EXPECT_EQ(Status(), "Download aborted");
    EXPECT_EQ(Gets(), 0u);
    EXPECT_TRUE(App().AbortRequested);
    ExpectIdle();
}

TEST_F(ViewWhileRunning, AbortedViewWithAnUnreadableOldPreviewCountsItsBytesOnce) {
    ServeDrip();
    dir.Write("Previews/Harbour Cam.JPG", "not a picture");
    DuringBody([&] { Main().viewbutton->click(); });
    View();
    EXPECT_TRUE(Status() == "Download aborted" || Status() == "Download failed") << Status();
    EXPECT_EQ(App().SessionBytes, App().CurrentDownloadBytes);
    EXPECT_EQ(Dialogs().Texts("ErrorReport").size(), 1u);
    ExpectIdle();
}

TEST_F(ViewWhileRunning, DescriptionEditedDuringTheDownloadNamesThePreview) {
    ServeDrip();
    server.On("GET", "/cam", [] {
        TFaultReply slow = TFaultReply::Ok(Jpeg());
        slow.DelayBeforeHeadMs = 200;
        return slow;
    }());
    QTimer::singleShot(50, [this] { Main().description->setText("Renamed Cam"); });
    View();
    EXPECT_EQ(Status().rfind("Downloaded ", 0), 0u) << Status();
    EXPECT_TRUE(dir.Exists("Previews/Renamed Cam.JPG"));
    EXPECT_TRUE(Main().PreviewImage->toolTip().startsWith("Last successfull download."));
    EXPECT_TRUE(Forms().ViewForm->isVisible());
}
