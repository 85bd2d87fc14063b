// What a View costs beyond the network: the new preview decoded once for the
// thumbnail, the panel and the viewer, and a progress text that is redrawn
// at most every 50 ms with its last text always shown.
#include "imaging/imagefile.h"
#include "imaging/imagefixtures.h"
#include "support/faultserver.h"
#include "support/mainformfixture.h"
#include "util/textutils.h"
#include "util/tickcount.h"
#include "viewers/viewform.h"

#include <QStatusBar>

using namespace lumisk;
using namespace lumisk::test;

namespace {

const QColor kRed(220, 20, 20), kBlue(20, 20, 220);

class ViewCost : public MainFormFixture {
  protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        WriteCatalogue({{"Harbour Cam", "", "", "5", ""}});
        WriteKnownVersion();
        Start();
    }
    void View(const std::string& url) {
        Main().url->setText(QString::fromStdString(url));
        Main().viewbutton->click();
    }
    TFaultServer server;
};

struct TDecodeCase {
    const char* Name;
    const char* Body;         // "jpg" or "png": a blue 64 x 48 picture
    const char* OlderPreview; // a red 32 x 24 JPEG already there, or ""
    std::uint64_t Decodes;    // files decoded by the View
    QSize Shown;              // in the viewer afterwards
};

class ViewDecodes : public ViewCost, public testing::WithParamInterface<TDecodeCase> {};

TEST_P(ViewDecodes, NewPreviewOnceForThumbnailPanelAndViewer) {
    const TDecodeCase& c = GetParam();
    const QImage blue = SolidPicture(64, 48, kBlue);
    const std::string body = std::string(c.Body) == "jpg" ? EncodeJpeg(blue) : EncodePng(blue);
    if (*c.OlderPreview)
        dir.Write(std::string("Previews/") + c.OlderPreview,
                  EncodeJpeg(SolidPicture(32, 24, kRed)));
    server.On("", "/cam", TFaultReply::Ok(body));
    const std::uint64_t before = ImageFilesDecoded();
    View(server.Url("/cam"));
    ASSERT_EQ(Main().Status().left(11), "Downloaded ");

    EXPECT_EQ(ImageFilesDecoded() - before, c.Decodes);
    ASSERT_TRUE(App().Catalogue.Records[1].thumbnail);
    EXPECT_EQ(App().Catalogue.Records[1].thumbnail->size(), QSize(200, 200));
    EXPECT_EQ(Main().PreviewImage->toolTip(),
              "Last successfull download.\nClick to view full size.");
    TViewForm& viewer = *Forms().ViewForm;
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.Picture().size(), c.Shown);
    const QColor shown = viewer.Picture().pixelColor(10, 10);
    const QColor wanted = *c.OlderPreview ? kRed : kBlue;
    EXPECT_LE(std::abs(shown.red() - wanted.red()) + std::abs(shown.blue() - wanted.blue()), 24);
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewDecodes,
                         testing::Values(TDecodeCase{"Jpeg", "jpg", "", 1, QSize(64, 48)},
                                         TDecodeCase{"Png", "png", "", 1, QSize(64, 48)},
                                         // The panel, the viewer and the grid all prefer the older
                                         // ".JPG": the new PNG's picture must not stand in for it.
                                         TDecodeCase{"OlderJpegShownIsDecodedItself", "png",
                                                     "Harbour Cam.JPG", 4, QSize(32, 24)}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TProgressCase {
    const char* Name;
    bool Length; // Content-Length announced
};

class ViewProgress : public ViewCost, public testing::WithParamInterface<TProgressCase> {};

TEST_P(ViewProgress, RedrawnAtMostEvery50MsAndTheLastAlwaysShown) {
    const std::string body = EncodeJpeg(CameraPicture(64, 48)) + std::string(60000, 'x');
    TFaultReply drip = GetParam().Length ? TFaultReply::Ok(body) : TFaultReply::UntilClose(body);
    drip.ChunkBytes = 1000;
    drip.ChunkDelayMs = 4;
    server.On("GET", "/cam", drip);
    server.On("HEAD", "/cam", TFaultReply::Ok(""));
    QStringList texts;
    std::vector<std::int64_t> times;
    QObject::connect(Main().stats, &QStatusBar::messageChanged, [&](const QString& text) {
        texts << text;
        times.push_back(TickMilliseconds());
    });
    View(server.Url("/cam"));

    const QString sizeText =
        QString::fromStdString(ByteSizeText(static_cast<std::int64_t>(body.size())));
    const QString last = GetParam().Length ? "100% - " + sizeText : sizeText;
    const qsizetype end = texts.indexOf("Determining image format...");
    ASSERT_GT(end, 1) << texts.join(" | ").toStdString();
    EXPECT_EQ(texts[end - 1], last);
    const qsizetype begin = texts.indexOf("Attempting to download image...");
    ASSERT_GE(begin, 0);
    // About 60 blocks over a quarter of a second or more: the first text at
    // once, then at most one every 50 ms, and the last.
    const qsizetype progressTexts = end - begin - 1;
    const std::int64_t ms =
        times[static_cast<std::size_t>(end)] - times[static_cast<std::size_t>(begin)];
    EXPECT_GE(progressTexts, 2);
    EXPECT_LE(progressTexts, ms / 50 + 2) << ms << " ms: " << texts.join(" | ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewProgress,
                         testing::Values(TProgressCase{"AnnouncedLength", true},
                                         TProgressCase{"UntilTheServerCloses", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
