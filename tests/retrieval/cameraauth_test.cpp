// Cameras behind a password: the address's user part goes as the
// credentials the camera asks for, Basic to a real nginx, Digest to our
// fault server (checked as a Digest server checks it, so a password sent in
// the clear fails); the address the window shows and the HTML page write
// never holds the password.
#include "imaging/imagefixtures.h"
#include "retrieval/camerafetch.h"
#include "retrieval/httpsession.h"
#include "support/faultserver.h"
#include "support/mainformfixture.h"
#include "support/nginxserver.h"
#include "tools/htmlindexpage.h"
#include "util/datadirectory.h"
#include "viewers/viewform.h"

#include <QCryptographicHash>
#include <QDir>
#include <map>
#include <regex>

using namespace lumisk;
using namespace lumisk::test;

namespace {

const std::string kJpeg = EncodeJpeg(CameraPicture(64, 48));
const std::string kRealm = "Camera", kNonce = "5a1b2c3d";

std::string Md5(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}

// The fields of an "Authorization: Digest ..." line, quotes taken off.
std::map<std::string, std::string> DigestFields(const TFaultRequest& request) {
    std::map<std::string, std::string> fields;
    static const std::regex field(R"re((\w+)="?([^",]*)"?)re");
    for (const std::string& line : request.HeaderLines())
        if (line.rfind("Authorization: Digest ", 0) == 0)
            for (std::sregex_iterator m(line.begin() + 22, line.end(), field), end; m != end; ++m)
                fields[(*m)[1]] = (*m)[2];
    return fields;
}

// A camera that lets in cam / s3cret by Digest (qop "auth") and nothing else.
TFaultReply DigestCamera(const TFaultRequest& request) {
    auto f = DigestFields(request);
    const std::string ha1 = Md5("cam:" + kRealm + ":s3cret");
    const std::string ha2 = Md5(request.Method + ":" + f["uri"]);
    if (f["username"] == "cam" && f["nonce"] == kNonce && f["uri"] == request.Target &&
        f["response"] ==
            Md5(ha1 + ":" + kNonce + ":" + f["nc"] + ":" + f["cnonce"] + ":auth:" + ha2))
        return TFaultReply::Ok(kJpeg, "Content-Type: image/jpeg\r\n");
    TFaultReply challenge =
        TFaultReply::Status("HTTP/1.1 401 Unauthorized", "WWW-Authenticate: Digest realm=\"" +
                                                             kRealm + "\", qop=\"auth\", nonce=\"" +
                                                             kNonce + "\", algorithm=MD5\r\n");
    challenge.KeepAlive = true;
    return challenge;
}

const TNginx::TUsers kUsers = {{"cam", "s3cret"}, {"odd", "p@ss/w rd"}};

struct AuthCase {
    const char* name;
    bool digest;          // our Digest camera, else nginx asking for Basic
    std::string userPart; // put between "http://" and the host
    TFetchOutcome outcome;
    std::string reason;
};

void PrintTo(const AuthCase& c, std::ostream* out) {
    *out << c.name;
}

class CameraAuth : public testing::TestWithParam<AuthCase> {};

TEST_P(CameraAuth, CredentialsOfTheAddressLetTheFetchIn) {
    const AuthCase& c = GetParam();
    if (!c.digest && !TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    TTempDir dir;
    SetDataDirectory(dir.Path());
    QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    QDir().mkpath(QString::fromStdString(dir.File("www")));
    dir.Write("www/cam.jpg", kJpeg);
    TFaultServer digest;
    digest.On("", "/cam.jpg", &DigestCamera);
    std::unique_ptr<TNginx> basic;
    int port = digest.Port();
    if (!c.digest) {
        basic = std::make_unique<TNginx>(dir.File("www"), nullptr, 1, kUsers);
        port = basic->Port();
    }
    TFetchRequest request;
    request.Url = "http://" + c.userPart + "127.0.0.1:" + std::to_string(port) + "/cam.jpg";
    request.Description = "Gate";
    request.Timeout = "2000";
    request.WorkFile = dir.File("image.dat");
    THttpSession session;
    TCameraFetch fetch(session, request);
    while (!fetch.Advance()) {
        session.Wait(20);
        session.Perform();
    }
    EXPECT_EQ(fetch.Result().Outcome, c.outcome) << fetch.Result().Reason;
    EXPECT_EQ(fetch.Result().Reason, c.reason);
    if (c.outcome == TFetchOutcome::Updated) {
        EXPECT_TRUE(dir.Read("Previews/Gate.JPG") == kJpeg);
    }
    for (const TFaultRequest& sent : digest.Requests())
        EXPECT_EQ(sent.RawHead.find("Basic"), std::string::npos) << sent.RawHead;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraAuth,
    testing::Values(
        AuthCase{"BasicRightPassword", false, "cam:s3cret@", TFetchOutcome::Updated, ""},
        AuthCase{"BasicPercentEncodedPassword", false, "odd:p%40ss%2Fw%20rd@",
                 TFetchOutcome::Updated, ""},
        AuthCase{"BasicWrongPassword", false, "cam:guess@", TFetchOutcome::Failed, "HTTP 401"},
        AuthCase{"BasicNoCredentials", false, "", TFetchOutcome::Failed, "HTTP 401"},
        AuthCase{"DigestRightPassword", true, "cam:s3cret@", TFetchOutcome::Updated, ""},
        AuthCase{"DigestWrongPassword", true, "cam:guess@", TFetchOutcome::Failed, "HTTP 401"}),
    [](const auto& info) { return std::string(info.param.name); });

class PasswordCameraView : public MainFormFixture {};

TEST_F(PasswordCameraView, WindowAndPageShowTheAddressWithoutThePassword) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    QDir().mkpath(QString::fromStdString(dir.File("www")));
    dir.Write("www/cam.jpg", kJpeg);
    TNginx nginx(dir.File("www"), nullptr, 1, kUsers);
    const std::string host = "127.0.0.1:" + std::to_string(nginx.Port());
    const std::string right = "http://cam:s3cret@" + host + "/cam.jpg";
    WriteCatalogue({{"Gate", right, "http://cam:s3cret@" + host + "/", "5", ""}});
    WriteKnownVersion();
    Start();
    std::string shown; // every status text
    QObject::connect(Main().stats, &QStatusBar::messageChanged, &Main(),
                     [&](const QString& t) { shown += t.toStdString() + "\n"; });

    Main().viewbutton->click();
    EXPECT_FALSE(App().DownloadFailed) << shown;
    shown += Forms().ViewForm->urltext->text().toStdString() + "\n";
    EXPECT_EQ(Forms().ViewForm->urltext->text().toStdString(), "http://" + host + "/cam.jpg");
    Main().url->setText(QString::fromStdString("http://cam:guess@" + host + "/cam.jpg"));
    Main().viewbutton->click();
    EXPECT_TRUE(App().DownloadFailed);
    EXPECT_EQ(Main().stats->currentMessage(), "Download failed");

    const std::string page = THtmlIndexPage::Text(App().Catalogue);
    EXPECT_NE(page.find(R"(<a href="http://)" + host + R"(/"target="_blank"><IMG src="http://)" +
                        host + "/cam.jpg\"></a>"),
              std::string::npos)
        << page;
    for (const std::string& text : {shown, page}) {
        EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
        EXPECT_EQ(text.find("guess"), std::string::npos) << text;
    }
    // The catalogue itself keeps the address as typed.
    Main().close();
    EXPECT_NE(dir.Read("orvane.dat").find("http://cam:guess@"), std::string::npos);
}

} // namespace
