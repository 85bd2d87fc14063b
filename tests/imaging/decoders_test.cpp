// The JPEG, PNG and GIF decoders: colour layouts, partial and damaged data,
// the GIF logical screen, and the size limit that every decoder enforces
// before it allocates.
#include "imaging/bmpdecoder.h"
#include "imaging/gifdecoder.h"
#include "imaging/imageerror.h"
#include "imaging/imagefixtures.h"
#include "imaging/jpegdecoder.h"
#include "imaging/pngdecoder.h"

#include <functional>
#include <gtest/gtest.h>
#include <png.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

struct PictureCase {
    const char* name;
    std::function<QImage()> decode;
    std::function<QImage()> expected;
    int tolerance;
};

void PrintTo(const PictureCase& c, std::ostream* os) {
    *os << c.name;
}

class Decoding : public testing::TestWithParam<PictureCase> {};

TEST_P(Decoding, GivesTheExpectedBgrPicture) {
    const QImage picture = GetParam().decode();
    EXPECT_EQ(picture.format(), QImage::Format_BGR888);
    EXPECT_LE(MaxDifference(picture, GetParam().expected()), GetParam().tolerance);
}

const QColor kOrange(250, 120, 10);

QImage Grid(int w, int h, const std::vector<QColor>& colours, const std::vector<int>& indices) {
    QImage picture(w, h, QImage::Format_BGR888);
    for (int i = 0; i < w * h; ++i)
        picture.setPixelColor(i % w, i / w, colours[indices[i]]);
    return picture;
}

std::string Packed(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

PictureCase Jpeg(const char* name, TJpegKind kind, QColor colour, QColor expected) {
    return {name,
            [=] { return TJpegDecoder::Decode(EncodeJpeg(SolidPicture(24, 16, colour), kind)); },
            [=] { return SolidPicture(24, 16, expected); }, 6};
}

PictureCase Png(const char* name, std::function<TPngLayout()> layout,
                std::function<QImage()> expected) {
    return {name, [=] { return TPngDecoder::Decode(EncodePng(layout())); }, expected, 0};
}

TPngLayout PngSpec(int w, int h, int depth, int type, std::vector<std::string> rows) {
    TPngLayout s;
    s.Width = w;
    s.Height = h;
    s.BitDepth = depth;
    s.ColorType = type;
    s.Rows = std::move(rows);
    return s;
}

const std::vector<QColor> kGifPalette = {Qt::black, Qt::white, Qt::blue, Qt::red};

PictureCase Gif(const char* name, std::function<TGifLayout()> layout,
                std::function<QImage()> expected) {
    return {name, [=] { return TGifDecoder::Decode(EncodeGif(layout())); }, expected, 0};
}

TGifFrame Frame(int left, int top, int w, int h, std::vector<std::uint8_t> pixels) {
    TGifFrame f;
    f.Left = left;
    f.Top = top;
    f.Width = w;
    f.Height = h;
    f.Pixels = std::move(pixels);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decoding,
    testing::Values(
        Jpeg("jpeg_baseline", TJpegKind::Baseline, kOrange, kOrange),
        Jpeg("jpeg_progressive", TJpegKind::Progressive, kOrange, kOrange),
        Jpeg("jpeg_grey", TJpegKind::Grey, QColor(90, 90, 90), QColor(90, 90, 90)),
        PictureCase{"jpeg_cmyk_adobe_inverted",
                    [] {
                        const std::uint8_t red[4] = {255, 0, 0, 255}; // inverted C M Y K
                        return TJpegDecoder::Decode(EncodeCmykJpeg(16, 8, red));
                    },
                    [] { return SolidPicture(16, 8, Qt::red); }, 6},
        PictureCase{"jpeg_camera_picture",
                    [] { return TJpegDecoder::Decode(EncodeJpeg(CameraPicture(64, 48))); },
                    [] { return CameraPicture(64, 48); }, 40},
        PictureCase{"png_rgb", [] { return TPngDecoder::Decode(EncodePng(CameraPicture(10, 7))); },
                    [] { return CameraPicture(10, 7); }, 0},
        PictureCase{"png_interlaced",
                    [] { return TPngDecoder::Decode(EncodePng(CameraPicture(13, 11), true)); },
                    [] { return CameraPicture(13, 11); }, 0},
        Png(
            "png_rgb_16_bit",
            [] {
                return PngSpec(1, 1, 16, PNG_COLOR_TYPE_RGB, {Packed({250, 1, 120, 2, 10, 3})});
            },
            [] { return SolidPicture(1, 1, kOrange); }),
        Png(
            "png_palette_2_bit",
            [] {
                TPngLayout s = PngSpec(3, 1, 2, PNG_COLOR_TYPE_PALETTE, {Packed({0b00011000})});
                s.Palette = {Qt::red, Qt::green, Qt::blue};
                return s;
            },
            [] {
                return Grid(3, 1, {Qt::red, Qt::green, Qt::blue}, {0, 1, 2});
            }),
        Png(
            "png_grey_1_bit",
            [] { return PngSpec(3, 1, 1, PNG_COLOR_TYPE_GRAY, {Packed({0b10100000})}); },
            [] {
                return Grid(3, 1, {Qt::black, Qt::white}, {1, 0, 1});
            }),
        Png(
            "png_alpha_blended_onto_white",
            [] {
                return PngSpec(2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                               {Packed({0, 0, 0, 0, 0, 0, 0, 255})});
            },
            [] {
                return Grid(2, 1, {Qt::white, Qt::black}, {0, 1});
            }),
        Png(
            "png_palette_transparency_shows_white",
            [] {
                TPngLayout s = PngSpec(2, 1, 8, PNG_COLOR_TYPE_PALETTE, {Packed({0, 1})});
                s.Palette = {Qt::red, Qt::green};
                s.Transparency = {0};
                return s;
            },
            [] {
                return Grid(2, 1, {Qt::white, Qt::green}, {0, 1});
            }),
        Gif(
            "gif_on_screen_with_background_and_transparency",
            [] {
                TGifLayout s;
                s.ScreenWidth = 4;
                s.ScreenHeight = 3;
                s.Background = 2;
                s.Palette = kGifPalette;
                s.Frames = {Frame(1, 1, 2, 2, {3, 0, 1, 3})};
                s.Frames[0].Transparent = 0;
                return s;
            },
            [] {
                return Grid(4, 3, kGifPalette, {2, 2, 2, 2, 2, 3, 2, 2, 2, 1, 3, 2});
            }),
        Gif(
            "gif_interlaced",
            [] {
                TGifLayout s;
                s.ScreenWidth = 1;
                s.ScreenHeight = 9;
                s.Palette = kGifPalette;
                s.Frames = {Frame(0, 0, 1, 9, {0, 1, 2, 3, 0, 1, 2, 3, 0})};
                s.Frames[0].Interlaced = true;
                return s;
            },
            [] {
                return Grid(1, 9, kGifPalette, {0, 1, 2, 3, 0, 1, 2, 3, 0});
            }),
        Gif(
            "gif_first_frame_only_with_local_palette",
            [] {
                TGifLayout s;
                s.ScreenWidth = 2;
                s.ScreenHeight = 1;
                s.Palette = kGifPalette;
                s.Frames = {Frame(0, 0, 2, 1, {0, 1}), Frame(0, 0, 2, 1, {2, 2})};
                s.Frames[0].LocalPalette = {Qt::green, Qt::yellow};
                return s;
            },
            [] {
                return Grid(2, 1, {Qt::green, Qt::yellow}, {0, 1});
            }),
        Gif(
            "gif_zero_screen_takes_image_extent",
            [] {
                TGifLayout s;
                s.Palette = kGifPalette;
                s.Frames = {Frame(1, 0, 1, 2, {3, 3})};
                return s;
            },
            [] {
                return Grid(2, 2, kGifPalette, {0, 3, 0, 3});
            }),
        Gif(
            "gif_image_past_screen_edge_is_clipped",
            [] {
                TGifLayout s;
                s.ScreenWidth = 2;
                s.ScreenHeight = 1;
                s.Palette = kGifPalette;
                s.Frames = {Frame(1, 0, 2, 2, {3, 1, 1, 1})};
                return s;
            },
            [] {
                return Grid(2, 1, kGifPalette, {0, 3});
            })),
    [](const auto& info) { return std::string(info.param.name); });

std::size_t ScanStart(const std::string& jpeg) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF &&
            static_cast<std::uint8_t>(jpeg[i + 1]) == 0xDA)
            return i;
    return std::string::npos;
}

TEST(JpegDecoding, FileCutInTheCompressedDataGivesAPartlyFilledPicture) {
    const std::string whole = EncodeJpeg(SolidPicture(64, 64, Qt::red));
    const std::size_t scan = ScanStart(whole);
    ASSERT_NE(scan, std::string::npos);
    const std::string cut = whole.substr(0, scan + (whole.size() - scan) / 2);
    ASSERT_TRUE(TJpegDecoder::Accepts(cut));
    const QImage picture = TJpegDecoder::Decode(cut);
    ASSERT_EQ(picture.size(), QSize(64, 64));
    EXPECT_LE(MaxDifference(picture.copy(0, 0, 64, 8), SolidPicture(64, 8, Qt::red)), 8);
    // The library fills what is missing with mid grey.
    EXPECT_LE(MaxDifference(picture.copy(0, 56, 64, 8), SolidPicture(64, 8, QColor(128, 128, 128))),
              8);
}

struct RejectCase {
    const char* name;
    std::function<void()> decode;
};

void PrintTo(const RejectCase& c, std::ostream* os) {
    *os << c.name;
}

class Rejection : public testing::TestWithParam<RejectCase> {};

TEST_P(Rejection, RaisesAnImageError) {
    EXPECT_THROW(GetParam().decode(), EImageError);
}

std::string TwoFrameGif() {
    TGifLayout s;
    s.ScreenWidth = 8;
    s.ScreenHeight = 8;
    s.Palette = kGifPalette;
    s.Frames = {Frame(0, 0, 8, 8, std::vector<std::uint8_t>(64, 1)),
                Frame(0, 0, 8, 8, std::vector<std::uint8_t>(64, 2))};
    return EncodeGif(s);
}

// A GIF whose first image descriptor announces width x height.
std::string GifWithFrameSize(int width, int height) {
    std::string gif = SimpleGif(4, 4, 1, 1);
    const std::size_t at = gif.find(',', 13 + 6);
    Put16(gif, at + 5, static_cast<std::uint16_t>(width));
    Put16(gif, at + 7, static_cast<std::uint16_t>(height));
    return gif;
}

std::string OverLimitBmp() {
    TBmpLayout layout;
    layout.Width = 10001;
    layout.Height = -10000;
    layout.Pixels = std::string(64, '\0');
    return BuildBmp(layout);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Rejection,
    testing::Values(
        RejectCase{
            "jpeg_cut_inside_header",
            [] { TJpegDecoder::Decode(EncodeJpeg(SolidPicture(8, 8, Qt::red)).substr(0, 30)); }},
        RejectCase{"jpeg_not_a_jpeg", [] { TJpegDecoder::Decode("<html></html>"); }},
        RejectCase{"jpeg_empty", [] { TJpegDecoder::Decode(""); }},
        RejectCase{
            "png_damaged_header_crc",
            [] { TPngDecoder::Decode(DamagePngCrc(EncodePng(CameraPicture(4, 4)), "IHDR")); }},
        RejectCase{"png_damaged_image_data",
                   [] {
                       std::string png = EncodePng(CameraPicture(16, 16));
                       png[png.find("IDAT") + 10] ^= 0x40;
                       TPngDecoder::Decode(png);
                   }},
        RejectCase{"gif_second_frame_cut_short",
                   [] { TGifDecoder::Decode(TwoFrameGif().substr(0, TwoFrameGif().size() - 6)); }},
        RejectCase{"gif_without_colour_table",
                   [] {
                       TGifLayout s;
                       s.ScreenWidth = s.ScreenHeight = 1;
                       s.Frames = {Frame(0, 0, 1, 1, {0})};
                       TGifDecoder::Decode(EncodeGif(s));
                   }},
        RejectCase{"gif_without_image",
                   [] {
                       TGifLayout s;
                       s.ScreenWidth = s.ScreenHeight = 1;
                       s.Palette = kGifPalette;
                       TGifDecoder::Decode(EncodeGif(s));
                   }},
        RejectCase{"bmp_over_pixel_limit", [] { TBmpDecoder::Decode(OverLimitBmp()); }},
        RejectCase{"gif_screen_over_pixel_limit",
                   [] { TGifDecoder::Decode(SimpleGif(10001, 10000, 1, 1)); }},
        RejectCase{"gif_frame_over_pixel_limit",
                   [] { TGifDecoder::Decode(GifWithFrameSize(65535, 65535)); }},
        RejectCase{"jpeg_over_pixel_limit",
                   [] {
                       TJpegDecoder::Decode(
                           PatchJpegSize(EncodeJpeg(SolidPicture(8, 8, Qt::red)), 10001, 10000));
                   }},
        RejectCase{"jpeg_scaled_over_pixel_limit",
                   [] {
                       TJpegDecoder::DecodeScaled(
                           PatchJpegSize(EncodeJpeg(SolidPicture(8, 8, Qt::red)), 65535, 65535), 1,
                           1);
                   }},
        RejectCase{"png_over_pixel_limit", [] { TPngDecoder::Decode(PngWithSize(10001, 10000)); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rejection, LimitIsInclusive) {
    // Exactly 100 million pixels is still accepted (header check only).
    EXPECT_TRUE(TJpegDecoder::Accepts(
        PatchJpegSize(EncodeJpeg(SolidPicture(8, 8, Qt::red)), 10000, 10000)));
    EXPECT_FALSE(TJpegDecoder::Accepts(
        PatchJpegSize(EncodeJpeg(SolidPicture(8, 8, Qt::red)), 10001, 10000)));
}

} // namespace
