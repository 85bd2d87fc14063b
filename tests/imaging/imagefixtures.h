#pragma once
// Encoders that make test images in memory: JPEG through libjpeg, PNG through
// libpng, GIF through giflib, BMP written field by field so that tests can
// build every variant (and every fault) of the format.
#include <QColor>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace lumisk::test {

// A smooth colour gradient with a little deterministic noise, like a camera
// picture; Format_BGR888.
QImage CameraPicture(int width, int height);
QImage SolidPicture(int width, int height, QColor colour);

// The largest difference of any colour byte between two pictures of the same
// size (both converted to 24 bits); 256 when the sizes differ.
int MaxDifference(const QImage& a, const QImage& b);

enum class TJpegKind { Baseline, Progressive, Grey };
std::string EncodeJpeg(const QImage& picture, TJpegKind kind = TJpegKind::Baseline,
                       int quality = 90);
// A CMYK JPEG whose every pixel holds the given ink bytes as stored in the file
// (libjpeg adds an Adobe marker: readers take the bytes as inverted inks).
std::string EncodeCmykJpeg(int width, int height, const std::uint8_t cmyk[4]);
// Rewrites the size in the first SOF marker.
std::string PatchJpegSize(std::string jpeg, int width, int height);

struct TPngLayout {
    int Width = 0;
    int Height = 0;
    int BitDepth = 8;
    int ColorType = 2; // PNG_COLOR_TYPE_RGB
    bool Interlaced = false;
    std::vector<std::string> Rows; // packed as stored, without filter bytes
    std::vector<QColor> Palette;
    std::vector<std::uint8_t> Transparency; // tRNS entries for palette pictures
};
std::string EncodePng(const TPngLayout& layout);
// RGBA when the picture has an alpha channel, RGB otherwise.
std::string EncodePng(const QImage& picture, bool interlaced = false);
// A chunk with its length and CRC.
std::string PngChunk(const std::string& type, const std::string& data);
// The PNG with chunk inserted before the first chunk of type before.
std::string InsertPngChunk(const std::string& png, const std::string& before,
                           const std::string& chunk);
// The PNG with the CRC of the first chunk of type changed.
std::string DamagePngCrc(std::string png, const std::string& type);
// A PNG whose IHDR announces width x height over a one-row IDAT.
std::string PngWithSize(std::uint32_t width, std::uint32_t height);

struct TGifFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<std::uint8_t> Pixels; // colour indices, row by row
    bool Interlaced = false;
    int Transparent = -1;
    std::vector<QColor> LocalPalette; // empty: the global one
};
struct TGifLayout {
    int ScreenWidth = 0, ScreenHeight = 0;
    int Background = 0;
    std::vector<QColor> Palette; // global; size a power of two, or empty
    std::vector<TGifFrame> Frames;
};
std::string EncodeGif(const TGifLayout& layout);
// A one-frame GIF with a two-colour palette (black, white) and the given
// screen and frame size, pixels all 1.
std::string SimpleGif(int screenWidth, int screenHeight, int width, int height);

struct TBmpLayout {
    std::uint32_t HeaderSize = 40;
    std::int32_t Width = 0;
    std::int32_t Height = 0; // negative: top-down
    std::uint16_t Bits = 24;
    std::uint32_t Compression = 0;
    std::uint32_t ColorsUsed = 0;
    std::vector<QColor> Palette;
    std::vector<std::uint32_t> Masks; // red, green, blue: after a 40-byte header
    std::string Pixels;               // as stored
};
std::string BuildBmp(const TBmpLayout& layout);
// Row bytes padded to a multiple of four.
std::string PadRow(std::string row);
// Little-endian field writers for patching headers.
void Put16(std::string& bytes, std::size_t at, std::uint16_t value);
void Put32(std::string& bytes, std::size_t at, std::uint32_t value);

} // namespace lumisk::test
