// The HTML index page as a browser reads it: headless Chromium loads the
// written file and prints the resulting document, which must hold one image
// and one link per camera, and nothing that an address smuggled in. Skipped
// when Chromium is not installed. The image addresses point at a closed port
// on 127.0.0.1, so no traffic leaves the machine.
#include "tools/htmlindexpage.h"

#include "support/localport.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

struct TCameraFields {
    std::string Description, ImageUrl, WebPage;
};

struct BrowserCase {
    std::string name;
    std::vector<TCameraFields> cameras; // "{port}" stands for a closed local port
};

std::string WithPort(std::string text, int port) {
    const std::string mark = "{port}";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark))
        text.replace(at, mark.size(), std::to_string(port));
    return text;
}

int Count(const QString& text, const QString& pattern) {
    return static_cast<int>(text.count(QRegularExpression(pattern)));
}

// The document Chromium builds from the file, or why there is none.
QString DumpDom(const std::string& file, const TTempDir& profile, QString& error) {
    QProcess chromium;
    chromium.start(QString::fromStdString(FindProgram("chromium")),
                   {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                    "--no-first-run", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + QString::fromStdString(profile.Path()), "--dump-dom",
                    "file://" + QString::fromStdString(file)});
    if (!chromium.waitForFinished(120000)) {
        chromium.kill();
        chromium.waitForFinished(5000);
        error = "chromium did not finish";
        return {};
    }
    if (chromium.exitCode() != 0) error = QString::fromLocal8Bit(chromium.readAllStandardError());
    return QString::fromUtf8(chromium.readAllStandardOutput());
}

} // namespace

class HtmlPageInBrowser : public testing::TestWithParam<BrowserCase> {};

TEST_P(HtmlPageInBrowser, ShowsOneImageAndLinkPerCameraAndNothingInjected) {
    if (FindProgram("chromium").empty()) GTEST_SKIP() << "chromium is not installed";
    const auto& c = GetParam();
    const int port = FreeLocalPort();
    TCatalogue catalogue;
    for (const auto& camera : c.cameras) {
        catalogue.Append();
        catalogue.CurrentRecord().SetFields(camera.Description, WithPort(camera.ImageUrl, port),
                                            WithPort(camera.WebPage, port), "1", "");
    }
    TTempDir dir, profile;
    dir.Write("index.htm", THtmlIndexPage::Text(catalogue));
    QString error;
    const QString dom = DumpDom(dir.File("index.htm"), profile, error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_TRUE(dom.contains("<body")) << dom.toStdString();

    const int n = static_cast<int>(c.cameras.size());
    EXPECT_EQ(Count(dom, "<img[\\s>]"), n) << dom.toStdString();
    EXPECT_EQ(Count(dom, "<a[\\s>]"), n) << dom.toStdString();
    EXPECT_EQ(Count(dom, "<p>"), n) << dom.toStdString();
    EXPECT_EQ(Count(dom, "<hr>"), n) << dom.toStdString();
    EXPECT_EQ(Count(dom, "target=\"_blank\""), n) << dom.toStdString();
    // What the addresses below try to add: an element, a tag, an attribute.
    EXPECT_EQ(Count(dom, "id=\"injected\""), 0) << dom.toStdString();
    EXPECT_EQ(Count(dom, "<(b|i)[\\s>]"), 0) << dom.toStdString();
    EXPECT_EQ(Count(dom, "\\sonclick=\""), 0) << dom.toStdString();
    for (const auto& camera : c.cameras)
        EXPECT_TRUE(dom.contains(QString::fromStdString("<p>" + camera.Description + "</p>")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlPageInBrowser,
    testing::Values(
        BrowserCase{"empty_catalogue", {}},
        BrowserCase{"two_cameras",
                    {{"Harbour", "http://127.0.0.1:{port}/h.jpg", "http://127.0.0.1:{port}/h"},
                     {"Alps", "http://127.0.0.1:{port}/a.jpg", ""}}},
        BrowserCase{"quote_in_image_address",
                    {{"Q", "http://127.0.0.1:{port}/q.jpg\"><i id=\"injected\"></i><img src=\"x",
                      "http://127.0.0.1:{port}/q"}}},
        BrowserCase{"quote_in_web_page_address",
                    {{"W", "http://127.0.0.1:{port}/w.jpg",
                      "http://127.0.0.1:{port}/\" onclick=\"injected()\"><b>injected</b><a "
                      "href=\"x"}}}),
    [](const testing::TestParamInfo<BrowserCase>& info) { return info.param.name; });
