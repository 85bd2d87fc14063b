// Decoding preview files: the decoder chosen by the path's ending, the errors
// that reach the caller, and the reduced-scale JPEG decoding for thumbnails.
#include "imaging/bmpwriter.h"
#include "imaging/imageerror.h"
#include "imaging/imagefile.h"
#include "imaging/imagefixtures.h"
#include "support/tempdir.h"
#include "util/lumiskerror.h"

#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

enum class TOutcome { Decoded, Nothing, Rejected };

struct EndingCase {
    const char* name;
    const char* fileName;
    const char* content; // "bmp", "jpg", "gif" or "png"
    TOutcome outcome;
};

void PrintTo(const EndingCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Content(const std::string& kind, const QImage& picture) {
    if (kind == "bmp") return EncodeBitmap(picture);
    if (kind == "jpg") return EncodeJpeg(picture);
    if (kind == "png") return EncodePng(picture);
    TGifLayout s;
    s.ScreenWidth = picture.width();
    s.ScreenHeight = picture.height();
    s.Palette = {picture.pixelColor(0, 0), Qt::black};
    TGifFrame f;
    f.Width = picture.width();
    f.Height = picture.height();
    f.Pixels.assign(static_cast<std::size_t>(f.Width) * f.Height, 0);
    s.Frames = {f};
    return EncodeGif(s);
}

class FileEndings : public testing::TestWithParam<EndingCase> {};

TEST_P(FileEndings, ChooseTheDecoder) {
    TTempDir dir;
    const QImage picture = SolidPicture(12, 10, QColor(200, 30, 60));
    dir.Write(GetParam().fileName, Content(GetParam().content, picture));
    const std::string path = dir.File(GetParam().fileName);
    switch (GetParam().outcome) {
    case TOutcome::Decoded: {
        const std::optional<QImage> decoded = DecodeImageFile(path);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->format(), QImage::Format_BGR888);
        EXPECT_LE(MaxDifference(*decoded, picture), 6);
        break;
    }
    case TOutcome::Nothing:
        EXPECT_FALSE(DecodeImageFile(path).has_value());
        break;
    case TOutcome::Rejected:
        EXPECT_THROW(DecodeImageFile(path), EImageError);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileEndings,
    testing::Values(EndingCase{"bmp", "a.bmp", "bmp", TOutcome::Decoded},
                    EndingCase{"bmp_upper", "a.BMP", "bmp", TOutcome::Decoded},
                    EndingCase{"jpg", "a.jpg", "jpg", TOutcome::Decoded},
                    EndingCase{"jpg_upper", "Harbour Cam.JPG", "jpg", TOutcome::Decoded},
                    EndingCase{"gif", "a.gif", "gif", TOutcome::Decoded},
                    EndingCase{"gif_upper", "a.GIF", "gif", TOutcome::Decoded},
                    EndingCase{"png", "a.png", "png", TOutcome::Decoded},
                    EndingCase{"png_upper", "a.PNG", "png", TOutcome::Decoded},
                    EndingCase{"mixed_case", "a.Jpg", "jpg", TOutcome::Decoded},
                    EndingCase{"jpeg_four_letters", "a.jpeg", "jpg", TOutcome::Nothing},
                    EndingCase{"work_file", "image.dat", "jpg", TOutcome::Nothing},
                    EndingCase{"png_named_jpg", "a.jpg", "png", TOutcome::Rejected},
                    EndingCase{"jpg_named_bmp", "a.bmp", "jpg", TOutcome::Rejected}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileEndings, MissingFileIsAnOpenError) {
    TTempDir dir;
    EXPECT_THROW(DecodeImageFile(dir.File("gone.jpg")), EFOpenError);
    EXPECT_FALSE(DecodeImageFile(dir.File("gone.txt")).has_value());
}

struct ScaleCase {
    const char* name;
    int minWidth, minHeight;
    QSize expected;
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
    *os << c.name;
}

class ThumbnailScale : public testing::TestWithParam<ScaleCase> {};

TEST_P(ThumbnailScale, PicksTheSmallestScaleThatIsLargeEnough) {
    TTempDir dir;
    const QImage picture = CameraPicture(640, 480);
    dir.Write("cam.jpg", EncodeJpeg(picture));
    const QImage small =
        DecodeJpegForThumbnail(dir.File("cam.jpg"), GetParam().minWidth, GetParam().minHeight);
    EXPECT_EQ(small.size(), GetParam().expected);
    EXPECT_EQ(small.format(), QImage::Format_BGR888);
    EXPECT_LE(MaxDifference(small, picture.scaled(small.size(), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation)),
              48);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailScale,
    testing::Values(ScaleCase{"grid_cell_200", 200, 200, QSize(320, 240)},
                    ScaleCase{"eighth_fits_exactly", 80, 60, QSize(80, 60)},
                    ScaleCase{"one_pixel_more_takes_quarter", 81, 60, QSize(160, 120)},
                    ScaleCase{"three_eighths_too_short", 240, 181, QSize(320, 240)},
                    ScaleCase{"three_eighths_fits", 240, 180, QSize(240, 180)},
                    ScaleCase{"no_minimum", 0, 0, QSize(80, 60)},
                    ScaleCase{"full_size", 640, 480, QSize(640, 480)},
                    ScaleCase{"larger_than_picture_stays_full_size", 1000, 1000, QSize(640, 480)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThumbnailScale, OtherTypesDecodeAtFullSize) {
    TTempDir dir;
    dir.Write("cam.png", EncodePng(CameraPicture(64, 48)));
    dir.Write("cam.JPG", EncodeJpeg(CameraPicture(640, 480)));
    EXPECT_EQ(DecodeImageForThumbnail(dir.File("cam.png"), 8, 8)->size(), QSize(64, 48));
    EXPECT_EQ(DecodeImageForThumbnail(dir.File("cam.JPG"), 200, 200)->size(), QSize(320, 240));
    EXPECT_FALSE(DecodeImageForThumbnail(dir.File("cam.txt"), 8, 8).has_value());
}

} // namespace
