// The HTTP client against real servers: nginx for the date header and the
// body, tinyproxy for the proxy setting, and nginx over TLS for certificate
// checks.
#include "httpprobe.h"
#include "support/localport.h"
#include "support/nginxserver.h"
#include "support/tempdir.h"
#include "support/tinyproxyserver.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

std::string RandomBytes(std::size_t n) {
    std::string bytes(n, '\0');
    QRandomGenerator random(42);
    for (char& c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

void SetModified(const std::string& path, qint64 unixSeconds) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(unixSeconds, Qt::UTC),
                                 QFileDevice::FileModificationTime));
}

class WithNginx : public testing::Test {
  protected:
    void SetUp() override {
        if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
        site.Write("cam.jpg", image);
        SetModified(site.File("cam.jpg"), 784111777);
        nginx = std::make_unique<TNginx>(site.Path());
    }
    TTempDir site;
    const std::string image = RandomBytes(100000);
    std::unique_ptr<TNginx> nginx;
};

TEST_F(WithNginx, HeadGivesTheLastModifiedLine) {
    THttpClient client;
    const auto lines = client.Head(nginx->Url("/cam.jpg"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "HTTP/1.1 200 OK");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT"),
              lines.end());
}

TEST_F(WithNginx, GetWritesTheFileUnchangedWithProgress) {
    THttpClient client;
    THttpProbe probe(client);
    client.SetReadTimeout(5000);
    EXPECT_EQ(client.Get(nginx->Url("/cam.jpg"), probe.Sink()), 100000);
    EXPECT_EQ(probe.Body, image);
    EXPECT_EQ(probe.Begins, std::vector<std::int64_t>{100000});
    ASSERT_FALSE(probe.Works.empty());
    EXPECT_EQ(probe.Works.back(), 100000);
    EXPECT_GE(probe.Works.size(), 100000 / THttpClient::ReceiveBufferBytes);
}

TEST_F(WithNginx, MissingFileIsAStatusFailure) {
    THttpClient client;
    THttpProbe probe(client);
    const TOutcome o = GetOutcome(client, nginx->Url("/none.jpg"), probe.Sink());
    EXPECT_EQ(o.Failure, THttpFailure::Status);
    EXPECT_EQ(o.Status, 404);
    EXPECT_EQ(probe.Body, "");
}

TEST_F(WithNginx, ProxyIsUsedOnlyWhenSet) {
    if (!TTinyproxy::Available()) GTEST_SKIP() << TTinyproxy::SkipReason;
    TTinyproxy proxy;
    site.Write("direct.jpg", "direct;");
    site.Write("proxied.jpg", "proxied;");
    site.Write("again.jpg", "again");
    THttpClient client;
    THttpProbe probe(client);

    client.Get(nginx->Url("/direct.jpg"), probe.Sink());
    client.SetProxy("127.0.0.1", proxy.Port());
    client.CloseConnection();
    client.Get(nginx->Url("/proxied.jpg"), probe.Sink());
    client.SetProxy("127.0.0.1", 0); // port 0: direct again
    client.CloseConnection();
    client.Get(nginx->Url("/again.jpg"), probe.Sink());
    EXPECT_EQ(probe.Body, "direct;proxied;again");

    // The proxy logs a request when it receives it, before forwarding it.
    EXPECT_TRUE(WaitFor([&] { return proxy.LogShowsRequest("/proxied.jpg"); })) << proxy.Log();
    EXPECT_FALSE(proxy.LogShowsRequest("/direct.jpg")) << proxy.Log();
    EXPECT_FALSE(proxy.LogShowsRequest("/again.jpg")) << proxy.Log();
}

// A certificate for 127.0.0.1 made for the test, trusted by nobody else.
bool MakeCertificate(const TTempDir& dir) {
    const std::string openssl = FindProgram("openssl");
    if (openssl.empty()) return false;
    QProcess p;
    p.start(QString::fromStdString(openssl),
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
             "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
             "-keyout", QString::fromStdString(dir.File("key.pem")), "-out",
             QString::fromStdString(dir.File("cert.pem"))});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

TEST(Https, CertificatesAreChecked) {
    if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
    TTempDir keys;
    if (!MakeCertificate(keys)) GTEST_SKIP() << "openssl is needed to make a test certificate";
    TTempDir site;
    site.Write("cam.jpg", "secure image");
    const TNginxTls tls{keys.File("cert.pem"), keys.File("key.pem")};
    TNginx nginx(site.Path(), &tls);

    THttpClient client;
    THttpProbe probe(client);
    EXPECT_EQ(GetOutcome(client, nginx.Url("/cam.jpg"), probe.Sink()).Failure, THttpFailure::Tls);
    EXPECT_EQ(probe.Body, "");

    client.SetCertificateAuthorityFile(keys.File("cert.pem"));
    EXPECT_FALSE(GetOutcome(client, nginx.Url("/cam.jpg"), probe.Sink()).Failure);
    EXPECT_EQ(probe.Body, "secure image");
}

} // namespace
