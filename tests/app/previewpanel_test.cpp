// The preview panel and the image age: the fit rule, which preview file each
// reader takes, the no-preview picture and the age texts.
#include "imaging/bmpwriter.h"
#include "imaging/previewfit.h"
#include "imaging/imagefixtures.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpdate.h"
#include "support/mainformfixture.h"
#include "viewers/viewform.h"

#include <QDir>
#include <ctime>

using namespace lumisk;
using namespace lumisk::test;

struct FitCase {
    const char* name;
    int width, height;
    QRect expected;
};

class PreviewFit : public testing::TestWithParam<FitCase> {};

TEST_P(PreviewFit, LargestCentredSizeWithTheAspectKept) {
    const FitCase& c = GetParam();
    EXPECT_EQ(AspectFit(c.width, c.height, 204, 158), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PreviewFit,
    testing::Values(FitCase{"Wide", 400, 100, QRect(0, 53, 204, 51)},
                    FitCase{"Tall", 100, 400, QRect(82, 0, 39, 158)},
                    FitCase{"TinyIsEnlarged", 2, 1, QRect(0, 28, 204, 102)},
                    FitCase{"Square", 50, 50, QRect(23, 0, 158, 158)},
                    FitCase{"CameraFrame", 640, 480, QRect(0, 2, 204, 153)},
                    FitCase{"WideButTooHigh", 205, 204, QRect(23, 0, 158, 158)},
                    FitCase{"NoPixels", 0, 10, QRect()}),
    [](const auto& info) { return std::string(info.param.name); });

class PreviewPanel : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        QDir(QString::fromStdString(dir.Path())).mkdir("Previews");
        WriteCatalogue({{"Cam", "http://127.0.0.1:9/cam.jpg", "", "5",
                         "Mon, 07 Nov 1994 08:49:37 GMT"},
                        {"Other", "", "", "", "Unable to read date from server"}});
        WriteKnownVersion();
    }
    void Picture(const std::string& name, QColor colour, int w = 40, int h = 30) {
        QImage image(w, h, QImage::Format_BGR888);
        image.fill(colour);
        const std::string path = dir.File("Previews/" + name);
        if (name.size() > 4 && name.substr(name.size() - 3) == "BMP")
            SaveImageAsBitmap(image, path);
        else
            image.save(QString::fromStdString(path), name.substr(name.size() - 3).c_str());
    }
    QColor PanelCentre() { return Main().PreviewImage->pixmap().toImage().pixelColor(102, 79); }
};

TEST_F(PreviewPanel, PanelTakesTheJpegWhileTheGridTakesTheGif) {
    Picture("Cam.JPG", Qt::red);
    dir.Write("Previews/Cam.GIF", SimpleGif(8, 6, 8, 6));
    EXPECT_EQ(FindPreviewFile("Cam", TPreviewLookup::Panel), dir.File("Previews/Cam.JPG"));
    EXPECT_EQ(FindPreviewFile("Cam", TPreviewLookup::Grid), dir.File("Previews/Cam.GIF"));
    Start();
    EXPECT_GT(PanelCentre().red(), 200);
    EXPECT_EQ(Main().PreviewImage->toolTip(), "Last successfull download.\nClick to view full size.");
    EXPECT_EQ(Main().DateEdit->text(), "Mon, 07 Nov 1994 08:49:37 GMT");
}

TEST_F(PreviewPanel, ExtensionsAreFoundWhateverTheirCase) {
    Picture("Cam.bmp", Qt::green);
    EXPECT_EQ(FindPreviewFile("Cam", TPreviewLookup::Panel), dir.File("Previews/Cam.bmp"));
    QFile::rename(QString::fromStdString(dir.File("Previews/Cam.bmp")),
                  QString::fromStdString(dir.File("Previews/Cam.Bmp")));
    EXPECT_EQ(FindPreviewFile("Cam", TPreviewLookup::Panel), dir.File("Previews/Cam.Bmp"));
    Start();
    EXPECT_GT(PanelCentre().green(), 200);
}

TEST_F(PreviewPanel, EmptyPreviewShowsTheNoPreviewPictureAndClearsTheDate) {
    dir.Write("Previews/Cam.JPG", "");
    Start();
    EXPECT_EQ(Main().PreviewImage->toolTip(),
              "No preview image available.\nDownload at least one time.");
    EXPECT_EQ(Main().DateEdit->text(), "");
    EXPECT_EQ(Main().Difference->text(), "Unknown");
    const QImage shown = Main().PreviewImage->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(204, 158));
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(Qt::black));
    int lime = 0; // the text, in the middle band of the picture
    for (int y = 60; y < 100; ++y)
        for (int x = 0; x < shown.width(); ++x) {
            QColor c = shown.pixelColor(x, y);
            lime += c.green() > 150 && c.red() < 60 && c.blue() < 60;
        }
    EXPECT_GT(lime, 20);
}

TEST_F(PreviewPanel, UndecodablePreviewIsReportedAndTheProgramGoesOn) {
    dir.Write("Previews/Cam.JPG", "not a jpeg");
    Start();
    // Reported where the camera is shown (the start-up shows it twice: once
    // after the catalogue, once for the remembered camera), and the start-up
    // still reaches its end.
    EXPECT_GE(Dialogs().Texts("ErrorReport").size(), 1u);
    EXPECT_TRUE(Dialogs().Texts("ErrorReport")[0].startsWith("Invalid JPG image"));
    EXPECT_EQ(Main().Status(), "Ready");
    Main().nextbutton->click();
    EXPECT_EQ(Main().description->text(), "Other");
}

struct AgeCase {
    const char* name;
    std::string date; // "" or a text; "NOW-3605" means an hour and five seconds ago
    const char* age;
};

class ImageAge : public PreviewPanel, public testing::WithParamInterface<AgeCase> {};

TEST_P(ImageAge, DifferenceField) {
    Picture("Cam.JPG", Qt::red);
    Start();
    std::string date = GetParam().date;
    if (date == "NOW-3605") date = HttpDateText(static_cast<std::int64_t>(std::time(nullptr)) - 3605);
    Main().DateEdit->SetBytes(date);
    Main().ShowImageAge();
    EXPECT_EQ(Main().Difference->text().toStdString(), GetParam().age);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, ImageAge,
    testing::Values(AgeCase{"Empty", "", "Unknown"},
                    AgeCase{"UnableToRead", "Unable to read date from server", "Unknown"},
                    AgeCase{"UnableToParse", "Unable to parse date from server", "Unknown"},
                    AgeCase{"AnHourAgo", "NOW-3605", "0 days, 01:00:05"},
                    AgeCase{"FiveFieldLayout", "Sun Nov  6 08:49:37 1994", "Cannot parse dates"},
                    AgeCase{"BadMonth", "Sun, 06 Nvo 1994 08:49:37 GMT", "Cannot parse dates"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreviewPanel, UndecodableDateShowsItsMessageFirst) {
    Picture("Cam.JPG", Qt::red);
    Start();
    Main().DateEdit->SetBytes("Sun Nov  6 08:49:37 1994");
    Main().ShowImageAge();
    ASSERT_EQ(Dialogs().Texts("Message").size(), 1u);
    EXPECT_EQ(Dialogs().Texts("Message")[0], "Connot decode date \"Sun Nov  6 08:49:37 1994\"");
}

TEST_F(PreviewPanel, ClickOnThePreviewOpensTheViewer) {
    Picture("Cam.JPG", Qt::red, 120, 80);
    Start();
    Main().PreviewImageClick();
    EXPECT_TRUE(Forms().ViewForm->isVisible());
    EXPECT_EQ(Forms().ViewForm->Picture().size(), QSize(120, 80));
}
