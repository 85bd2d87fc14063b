// Writes a small seed corpus for the fuzz targets: one file per format and
// layout variant, each a few hundred bytes; given a second directory, also
// the HEAD and GET answer pairs for fuzz_http.
#include "imaging/imagefixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <png.h>

using namespace lumisk::test;

namespace {

void Save(const std::filesystem::path& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

TBmpLayout Bmp(std::uint16_t bits, int rowBytes, std::int32_t height = 4) {
    TBmpLayout s;
    s.Width = 5;
    s.Height = height;
    s.Bits = bits;
    for (int y = 0; y < 4; ++y) {
        std::string row;
        for (int i = 0; i < rowBytes; ++i)
            row += static_cast<char>(y * 37 + i * 11);
        s.Pixels += PadRow(row);
    }
    if (bits <= 8) s.Palette = {Qt::red, Qt::green, Qt::blue, Qt::white, Qt::black, Qt::gray};
    return s;
}

// fuzz_http's layout: switches, the HEAD answer's length (big-endian), both answers.
std::string HttpPair(bool oneConnection, const std::string& head, const std::string& get) {
    return std::string{static_cast<char>(oneConnection), static_cast<char>(head.size() >> 8),
                       static_cast<char>(head.size() & 0xFF)} +
           head + get;
}

void SaveHttpSeeds(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    const std::string dated = "HTTP/1.1 200 OK\r\nLast-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n"
                              "Content-Length: 4\r\n\r\n";
    const std::string image = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nJFIF";
    Save(dir, "plain", HttpPair(false, dated, image));
    Save(dir, "one_connection", HttpPair(true, dated, image));
    Save(dir, "folded_after_status",
         HttpPair(true, dated, "HTTP/1.1 200 OK\r\n X-Folded: 1\r\nContent-Length: 4\r\n\r\nJFIF"));
    Save(dir, "until_close",
         HttpPair(false, "HTTP/1.0 404 Not Found\r\n\r\n",
                  "HTTP/1.0 200 OK\r\nSet-Cookie: a=b; Path=/\r\n\r\nbody"));
    Save(dir, "chunked",
         HttpPair(true, "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n",
                  "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                  "4\r\nJFIF\r\n0\r\nX-Trailer: 1\r\n\r\n"));
    Save(dir, "unended_head_lone_cr_get",
         HttpPair(false, "HTTP/1.1 503 Busy\r\nLast-Modified: x\r\n",
                  "HTTP/1.1 404 Not Found\r\nContent-Type: image/jpeg\r\n\r\r\nJFIF"));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DIRECTORY [HTTP-DIRECTORY]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const QImage picture = CameraPicture(16, 12);

    Save(dir, "baseline.jpg", EncodeJpeg(picture, TJpegKind::Baseline, 50));
    Save(dir, "progressive.jpg", EncodeJpeg(picture, TJpegKind::Progressive, 50));
    Save(dir, "grey.jpg", EncodeJpeg(picture, TJpegKind::Grey, 50));
    const std::uint8_t ink[4] = {10, 200, 30, 40};
    Save(dir, "cmyk.jpg", EncodeCmykJpeg(8, 8, ink));

    Save(dir, "rgb.png", EncodePng(picture));
    Save(dir, "interlaced.png", EncodePng(picture, true));
    QImage alpha = picture.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixelColor(0, 0, QColor(1, 2, 3, 100));
    Save(dir, "alpha.png", EncodePng(alpha));
    TPngLayout palette;
    palette.Width = 3;
    palette.Height = 2;
    palette.ColorType = PNG_COLOR_TYPE_PALETTE;
    palette.BitDepth = 2;
    palette.Rows = {std::string(1, '\x1B'), std::string(1, '\x24')};
    palette.Palette = {Qt::red, Qt::green, Qt::blue};
    palette.Transparency = {0};
    Save(dir, "palette.png", EncodePng(palette));

    TGifLayout gif;
    gif.ScreenWidth = 6;
    gif.ScreenHeight = 5;
    gif.Background = 2;
    gif.Palette = {Qt::black, Qt::white, Qt::blue, Qt::red};
    TGifFrame frame;
    frame.Left = 1;
    frame.Top = 1;
    frame.Width = 4;
    frame.Height = 3;
    frame.Pixels = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 3, 3};
    frame.Transparent = 1;
    frame.Interlaced = true;
    gif.Frames = {frame, frame};
    gif.Frames[1].Interlaced = false;
    gif.Frames[1].LocalPalette = {Qt::yellow, Qt::cyan};
    Save(dir, "two_frames.gif", EncodeGif(gif));

    Save(dir, "bits1.bmp", BuildBmp(Bmp(1, 1)));
    Save(dir, "bits4.bmp", BuildBmp(Bmp(4, 3)));
    Save(dir, "bits8.bmp", BuildBmp(Bmp(8, 5)));
    Save(dir, "bits16.bmp", BuildBmp(Bmp(16, 10)));
    Save(dir, "bits24_top_down.bmp", BuildBmp(Bmp(24, 15, -4)));
    TBmpLayout fields = Bmp(32, 20);
    fields.Compression = 3;
    fields.Masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
    Save(dir, "bits32_bitfields.bmp", BuildBmp(fields));
    TBmpLayout core = Bmp(8, 5);
    core.HeaderSize = 12;
    Save(dir, "core_header.bmp", BuildBmp(core));
    TBmpLayout rle8 = Bmp(8, 0);
    rle8.Compression = 1;
    rle8.Pixels =
        std::string("\x03\x01\x00\x03\x02\x03\x04\x00\x00\x00\x00\x02\x01\x01\x02\x05\x00\x01", 18);
    Save(dir, "rle8.bmp", BuildBmp(rle8));
    TBmpLayout rle4 = Bmp(4, 0);
    rle4.Compression = 2;
    rle4.Pixels =
        std::string("\x04\x12\x00\x03\x34\x50\x00\x00\x00\x02\x01\x01\x03\x45\x00\x01", 16);
    Save(dir, "rle4.bmp", BuildBmp(rle4));
    if (argc == 3) SaveHttpSeeds(argv[2]);
    return 0;
}
