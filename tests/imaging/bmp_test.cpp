// The bitmap reader on every layout it supports, on files damaged in each
// header field and size, and the writer's files read back.
#include "imaging/bmpdecoder.h"
#include "imaging/bmpwriter.h"
#include "imaging/imageerror.h"
#include "imaging/imagefixtures.h"
#include "support/tempdir.h"
#include "util/lumiskerror.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

// A 3 x 2 picture: red, green, blue on top; white, black, grey below.
const QColor kGrey(128, 128, 128);
const QColor kColours[6] = {Qt::red, Qt::green, Qt::blue, Qt::white, Qt::black, kGrey};

QImage Expected() {
    QImage picture(3, 2, QImage::Format_BGR888);
    for (int i = 0; i < 6; ++i)
        picture.setPixelColor(i % 3, i / 3, kColours[i]);
    return picture;
}

// Pixel bytes of one row (top = row 0), converted by pixel.
std::string Row(int row, const std::function<std::string(const QColor&, int index)>& pixel) {
    std::string bytes;
    for (int x = 0; x < 3; ++x)
        bytes += pixel(kColours[row * 3 + x], row * 3 + x);
    return bytes;
}

std::string Bgr(const QColor& c, int) {
    return {static_cast<char>(c.blue()), static_cast<char>(c.green()), static_cast<char>(c.red())};
}

std::string Le(std::uint32_t v, int bytes) {
    std::string s(4, '\0');
    Put32(s, 0, v);
    return s.substr(0, static_cast<std::size_t>(bytes));
}

// Rows bottom-up (or top-down) with padding.
std::string Rows(const std::function<std::string(const QColor&, int)>& pixel,
                 bool topDown = false) {
    const std::string top = PadRow(Row(0, pixel)), bottom = PadRow(Row(1, pixel));
    return topDown ? top + bottom : bottom + top;
}

TBmpLayout Plain(std::uint16_t bits, std::string pixels, std::int32_t height = 2) {
    TBmpLayout layout;
    layout.Width = 3;
    layout.Height = height;
    layout.Bits = bits;
    layout.Pixels = std::move(pixels);
    return layout;
}

TBmpLayout Paletted(std::uint16_t bits, std::uint32_t headerSize = 40) {
    std::string pixels;
    for (int row : {1, 0}) {
        std::string packed;
        unsigned acc = 0, used = 0;
        for (int x = 0; x < 3; ++x) {
            acc = acc << bits | static_cast<unsigned>(row * 3 + x);
            used += bits;
            if (used == 8) {
                packed += static_cast<char>(acc);
                acc = used = 0;
            }
        }
        if (used) packed += static_cast<char>(acc << (8 - used));
        pixels += PadRow(packed);
    }
    TBmpLayout layout = Plain(bits, pixels);
    layout.HeaderSize = headerSize;
    layout.Palette.assign(std::begin(kColours), std::end(kColours));
    if (headerSize != 12) layout.ColorsUsed = 6;
    return layout;
}

struct LayoutCase {
    const char* name;
    std::function<std::string()> make;
    int tolerance; // 16-bit channels round to 5 or 6 bits
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class BmpLayouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(BmpLayouts, DecodeToTheSamePicture) {
    const QImage picture = TBmpDecoder::Decode(GetParam().make());
    EXPECT_EQ(picture.format(), QImage::Format_BGR888);
    EXPECT_LE(MaxDifference(picture, Expected()), GetParam().tolerance);
}

std::string Rle8() {
    TBmpLayout layout = Paletted(8);
    layout.Compression = 1;
    // Bottom row as three runs and an end of line; top row as one literal
    // group (padded to an even length) and the end of the bitmap.
    layout.Pixels = std::string("\x01\x03\x01\x04\x01\x05\x00\x00", 8) +
                  std::string("\x00\x03\x00\x01\x02\x00\x00\x01", 8);
    return BuildBmp(layout);
}

std::string Rle4() {
    TBmpLayout layout = Paletted(4);
    layout.Compression = 2;
    layout.Pixels =
        std::string("\x00\x03\x34\x50\x00\x00", 6) + std::string("\x02\x01\x01\x20\x00\x01", 6);
    return BuildBmp(layout);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpLayouts,
    testing::Values(
        LayoutCase{"bits24_bottom_up", [] { return BuildBmp(Plain(24, Rows(Bgr))); }, 0},
        LayoutCase{"bits24_top_down", [] { return BuildBmp(Plain(24, Rows(Bgr, true), -2)); }, 0},
        LayoutCase{"bits24_core_header",
                   [] {
                       TBmpLayout s = Plain(24, Rows(Bgr));
                       s.HeaderSize = 12;
                       return BuildBmp(s);
                   },
                   0},
        LayoutCase{"bits24_v5_header",
                   [] {
                       TBmpLayout s = Plain(24, Rows(Bgr));
                       s.HeaderSize = 124;
                       return BuildBmp(s);
                   },
                   0},
        LayoutCase{"bits24_last_row_unpadded",
                   [] {
                       std::string b = BuildBmp(Plain(24, Rows(Bgr)));
                       return b.substr(0, b.size() - 3);
                   },
                   0},
        LayoutCase{"bits32_rgb",
                   [] {
                       return BuildBmp(Plain(
                           32, Rows([](const QColor& c, int i) { return Bgr(c, i) + "\x7F"; })));
                   },
                   0},
        LayoutCase{"bits32_bitfields_rgbx",
                   [] {
                       TBmpLayout s = Plain(32, Rows([](const QColor& c, int) {
                                             return Le(static_cast<std::uint32_t>(c.red()) << 24 |
                                                           c.green() << 16 | c.blue() << 8,
                                                       4);
                                         }));
                       s.Compression = 3;
                       s.Masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
                       return BuildBmp(s);
                   },
                   0},
        LayoutCase{"bits16_rgb555",
                   [] {
                       return BuildBmp(
                           Plain(16, Rows([](const QColor& c, int) {
                                    return Le(static_cast<std::uint32_t>((c.red() >> 3) << 10 |
                                                                         (c.green() >> 3) << 5 |
                                                                         c.blue() >> 3),
                                              2);
                                })));
                   },
                   8},
        LayoutCase{"bits16_bitfields_565_in_v4_header",
                   [] {
                       TBmpLayout s = Plain(16, Rows([](const QColor& c, int) {
                                             return Le(static_cast<std::uint32_t>(
                                                           (c.red() >> 3) << 11 |
                                                           (c.green() >> 2) << 5 | c.blue() >> 3),
                                                       2);
                                         }));
                       s.HeaderSize = 108;
                       s.Compression = 3;
                       s.Masks = {0xF800, 0x07E0, 0x001F};
                       return BuildBmp(s);
                   },
                   8},
        LayoutCase{"bits8_palette", [] { return BuildBmp(Paletted(8)); }, 0},
        LayoutCase{"bits8_core_header_palette", [] { return BuildBmp(Paletted(8, 12)); }, 0},
        LayoutCase{"bits4_palette", [] { return BuildBmp(Paletted(4)); }, 0},
        LayoutCase{"rle8", Rle8, 0}, LayoutCase{"rle4", Rle4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpLayouts, OneBitPaletteAndRleDeltaGaps) {
    TBmpLayout one;
    one.Width = 10;
    one.Height = 1;
    one.Bits = 1;
    one.Palette = {Qt::blue, Qt::yellow};
    one.Pixels = PadRow(std::string("\xA5\x80", 2)); // 1010 0101 10
    const QImage bits = TBmpDecoder::Decode(BuildBmp(one));
    const char* pattern = "1010010110";
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(bits.pixelColor(x, 0), pattern[x] == '1' ? QColor(Qt::yellow) : QColor(Qt::blue))
            << x;

    // A delta skips pixels, which stay black; a colour index past the
    // palette is black too.
    TBmpLayout rle = Paletted(8);
    rle.Compression = 1;
    rle.Pixels = std::string("\x01\x03\x00\x02\x01\x01\x01\x09\x00\x01", 10);
    const QImage gaps = TBmpDecoder::Decode(BuildBmp(rle));
    EXPECT_EQ(gaps.pixelColor(0, 1), QColor(Qt::white));
    EXPECT_EQ(gaps.pixelColor(1, 1), QColor(Qt::black));
    EXPECT_EQ(gaps.pixelColor(2, 0), QColor(Qt::black));
    EXPECT_EQ(gaps.pixelColor(0, 0), QColor(Qt::black));
}

struct MalformedCase {
    const char* name;
    std::function<void(std::string&)> damage;
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

class BmpMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(BmpMalformed, IsRejectedCleanly) {
    std::string bytes = BuildBmp(Plain(24, Rows(Bgr)));
    GetParam().damage(bytes);
    EXPECT_THROW(TBmpDecoder::Decode(bytes), EImageError);
    EXPECT_FALSE(TBmpDecoder::Accepts(bytes));
}

auto Field32(std::size_t at, std::uint32_t value) {
    return [=](std::string& b) { Put32(b, at, value); };
}
auto Field16(std::size_t at, std::uint16_t value) {
    return [=](std::string& b) { Put16(b, at, value); };
}
auto Keep(std::size_t n) {
    return [=](std::string& b) { b.resize(n); };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BmpMalformed,
    testing::Values(MalformedCase{"not_bm", [](std::string& b) { b[1] = 'A'; }},
                    MalformedCase{"cut_in_file_header", Keep(10)},
                    MalformedCase{"cut_in_info_header", Keep(30)},
                    MalformedCase{"pixels_cut_short",
                                  [](std::string& b) { b.resize(b.size() - 5); }},
                    MalformedCase{"over_pixel_limit",
                                  [](std::string& b) {
                                      Put32(b, 18, 10001);
                                      Put32(b, 22, 10000);
                                  }},
                    MalformedCase{"dimensions_whose_product_overflows",
                                  [](std::string& b) {
                                      Put32(b, 18, 0x7FFFFFFF);
                                      Put32(b, 22, 0x7FFFFFFF);
                                  }},
                    MalformedCase{"dimensions_whose_stride_overflows", Field32(18, 0x40000001)},
                    MalformedCase{"negative_width", Field32(18, static_cast<std::uint32_t>(-3))},
                    MalformedCase{"zero_height", Field32(22, 0)},
                    MalformedCase{"most_negative_height", Field32(22, 0x80000000)},
                    MalformedCase{"pixel_offset_past_end", Field32(10, 10000)},
                    MalformedCase{"pixel_offset_near_4g", Field32(10, 0xFFFFFFF0)},
                    MalformedCase{"pixel_offset_inside_header", Field32(10, 20)},
                    MalformedCase{"header_size_unknown", Field32(14, 20)},
                    MalformedCase{"header_size_near_4g", Field32(14, 0xFFFFFFF0)},
                    MalformedCase{"planes_not_one", Field16(26, 2)},
                    MalformedCase{"bit_count_7", Field16(28, 7)},
                    MalformedCase{"rle8_with_24_bits", Field32(30, 1)},
                    MalformedCase{"embedded_jpeg_compression", Field32(30, 4)},
                    MalformedCase{"bitfields_masks_missing",
                                  [](std::string& b) {
                                      Put16(b, 28, 32);
                                      Put32(b, 30, 3);
                                      b.resize(60);
                                  }},
                    MalformedCase{"rle8_top_down",
                                  [](std::string& b) {
                                      b = Rle8();
                                      Put32(b, 22, static_cast<std::uint32_t>(-2));
                                  }},
                    MalformedCase{"rle8_without_end",
                                  [](std::string& b) {
                                      b = Rle8();
                                      b.resize(b.size() - 4);
                                  }},
                    MalformedCase{"rle8_literal_past_end",
                                  [](std::string& b) {
                                      b = Rle8();
                                      b.resize(b.size() - 8);
                                      b += std::string("\x00\xFF\x01", 3);
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

struct RoundTripCase {
    const char* name;
    QImage picture;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class BmpWriter : public testing::TestWithParam<RoundTripCase> {};

TEST_P(BmpWriter, WritesPaddedBottomUpRowsThatReadBack) {
    TTempDir dir;
    const QImage& picture = GetParam().picture;
    SaveImageAsBitmap(picture, dir.File("out.bmp"));
    const std::string file = dir.Read("out.bmp");
    const std::size_t stride = (static_cast<std::size_t>(picture.width()) * 3 + 3) / 4 * 4;
    const std::size_t size = 54 + stride * static_cast<std::size_t>(picture.height());
    ASSERT_EQ(file.size(), size);
    std::string header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, static_cast<std::uint32_t>(size));
    Put32(header, 10, 54);
    Put32(header, 14, 40);
    Put32(header, 18, static_cast<std::uint32_t>(picture.width()));
    Put32(header, 22, static_cast<std::uint32_t>(picture.height()));
    Put16(header, 26, 1);
    Put16(header, 28, 24);
    Put32(header, 34, static_cast<std::uint32_t>(size - 54));
    EXPECT_EQ(file.substr(0, 54), header);
    // The first stored row is the bottom one.
    const QColor bottomLeft = picture.pixelColor(0, picture.height() - 1);
    EXPECT_EQ(static_cast<std::uint8_t>(file[54]), bottomLeft.blue());
    EXPECT_EQ(static_cast<std::uint8_t>(file[56]), bottomLeft.red());
    EXPECT_EQ(MaxDifference(TBmpDecoder::Decode(file), picture), 0);
}

QImage Argb(int w, int h) {
    QImage picture(w, h, QImage::Format_ARGB32);
    picture.fill(QColor(10, 20, 30, 255));
    picture.setPixelColor(0, h - 1, QColor(200, 100, 50, 255));
    return picture;
}

INSTANTIATE_TEST_SUITE_P(Cases, BmpWriter,
                         testing::Values(RoundTripCase{"one_pixel", CameraPicture(1, 1)},
                                         RoundTripCase{"width2_pads_2", CameraPicture(2, 3)},
                                         RoundTripCase{"width3_pads_3", CameraPicture(3, 2)},
                                         RoundTripCase{"width4_needs_none", CameraPicture(4, 4)},
                                         RoundTripCase{"width5_pads_1", CameraPicture(5, 7)},
                                         RoundTripCase{"argb_converted", Argb(3, 2)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BmpWriter, FailedWritesNameThePathAndLeaveNoFile) {
    TTempDir dir;
    const std::string missingDir = dir.File("no/such/dir/out.bmp");
    try {
        SaveImageAsBitmap(CameraPicture(4, 4), missingDir);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + missingDir);
    }

    // A file size limit makes the write fail part way through.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(SaveImageAsBitmap(CameraPicture(100, 100), dir.File("big.bmp")), EFCreateError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(dir.Exists("big.bmp"));
}

TEST(BmpWriter, NullPictureIsHeadersOnly) {
    const std::string file = EncodeBitmap(QImage());
    ASSERT_EQ(file.size(), 54u);
    EXPECT_THROW(TBmpDecoder::Decode(file), EImageError);
}

} // namespace
