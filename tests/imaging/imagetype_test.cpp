// Finding a downloaded file's type by trial decoding: each format, the
// damaged and truncated files that must not pass, the order that settles
// ties, and the user's files that detection must leave alone.
#include "imaging/imagefixtures.h"
#include "imaging/imagetype.h"
#include "support/tempdir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace lumisk;
using namespace lumisk::test;

namespace {

std::string SmallBmp() {
    TBmpLayout layout;
    layout.Width = 2;
    layout.Height = 2;
    layout.Pixels = PadRow(std::string(6, '\x40')) + PadRow(std::string(6, '\x80'));
    return BuildBmp(layout);
}

std::string CameraJpeg() {
    return EncodeJpeg(CameraPicture(160, 120));
}
std::string CameraPng() {
    return EncodePng(CameraPicture(40, 30));
}

struct DetectCase {
    const char* name;
    std::function<std::string()> make;
    const char* type;
};

void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.name;
}

class Detection : public testing::TestWithParam<DetectCase> {};

std::map<std::string, std::string> Listing(const TTempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        files[e.path().filename().string()] = dir.Read(e.path().filename().string());
    return files;
}

TEST_P(Detection, FindsTheTypeAndLeavesOtherFilesAlone) {
    TTempDir dir;
    const std::string bytes = GetParam().make();
    dir.Write("image.dat", bytes);
    // Files that an older way of detecting used as scratch copies.
    for (const char* name : {"temp.bmp", "temp.gif", "temp.jpg", "temp.png"})
        dir.Write(name, std::string("user data in ") + name);
    const auto before = Listing(dir);

    EXPECT_EQ(DetectImageType(dir.File("image.dat")), GetParam().type);
    EXPECT_EQ(DetectImageType(bytes.data(), bytes.size()), GetParam().type);
    EXPECT_EQ(Listing(dir), before);
}

std::string Cut(const std::string& bytes, std::size_t keep) {
    return bytes.substr(0, keep);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Detection,
    testing::Values(
        DetectCase{"bmp", SmallBmp, "BMP"},
        DetectCase{"gif", [] { return SimpleGif(4, 3, 4, 3); }, "GIF"},
        DetectCase{"jpeg_baseline", CameraJpeg, "JPG"},
        DetectCase{"jpeg_progressive",
                   [] { return EncodeJpeg(CameraPicture(64, 48), TJpegKind::Progressive); }, "JPG"},
        DetectCase{"jpeg_cut_in_compressed_data",
                   [] { return Cut(CameraJpeg(), CameraJpeg().size() * 2 / 3); }, "JPG"},
        DetectCase{"jpeg_cut_inside_header", [] { return Cut(CameraJpeg(), 100); }, "Undetermined"},
        DetectCase{"png", CameraPng, "PNG"},
        DetectCase{"png_interlaced", [] { return EncodePng(CameraPicture(9, 9), true); }, "PNG"},
        DetectCase{"png_damaged_image_data_crc", [] { return DamagePngCrc(CameraPng(), "IDAT"); },
                   "Undetermined"},
        DetectCase{"png_damaged_ancillary_crc",
                   [] {
                       return DamagePngCrc(
                           InsertPngChunk(CameraPng(), "IDAT",
                                          PngChunk("tEXt", std::string("Title\0cam", 9))),
                           "tEXt");
                   },
                   "Undetermined"},
        DetectCase{"png_without_end_chunk",
                   [] { return Cut(CameraPng(), CameraPng().size() - 12); }, "Undetermined"},
        DetectCase{"gif_without_trailer",
                   [] { return Cut(SimpleGif(4, 3, 4, 3), SimpleGif(4, 3, 4, 3).size() - 1); },
                   "Undetermined"},
        DetectCase{"bmp_pixels_cut_short", [] { return Cut(SmallBmp(), SmallBmp().size() - 4); },
                   "Undetermined"},
        // No byte string passes two decoders (each wants its own signature
        // first), but a detector that looked for signatures anywhere would
        // take this bitmap for a PNG.
        DetectCase{"bmp_carrying_a_png", [] { return SmallBmp() + CameraPng(); }, "BMP"},
        DetectCase{
            "html_error_page",
            [] { return std::string("<html><body><h1>404 Not Found</h1></body></html>\r\n"); },
            "Undetermined"},
        DetectCase{"empty", [] { return std::string(); }, "Undetermined"},
        DetectCase{"bmp_over_pixel_limit",
                   [] {
                       std::string b = SmallBmp();
                       Put32(b, 18, 10001);
                       Put32(b, 22, 10000);
                       return b;
                   },
                   "Undetermined"},
        DetectCase{"gif_over_pixel_limit", [] { return SimpleGif(10001, 10000, 1, 1); },
                   "Undetermined"},
        DetectCase{"jpeg_over_pixel_limit",
                   [] { return PatchJpegSize(CameraJpeg(), 10001, 10000); }, "Undetermined"},
        DetectCase{"png_over_pixel_limit", [] { return PngWithSize(10001, 10000); },
                   "Undetermined"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Detection, MissingFileIsUndetermined) {
    TTempDir dir;
    EXPECT_EQ(DetectImageType(dir.File("image.dat")), "Undetermined");
    EXPECT_EQ(DetectImageType(dir.Path()), "Undetermined");
}

} // namespace
