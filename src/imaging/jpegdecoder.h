#pragma once
// JPEG decoding through the IJG library API (libjpeg-turbo).
//
// The library's warnings are not errors: a file cut short inside its
// compressed data decodes into a picture whose missing part is filled in by
// the library, and extraneous or corrupt bytes that the library can step over
// only lose detail. Fatal library errors, and pictures larger than
// kMaxImagePixels, raise EImageError; nothing is printed.
#include <QImage>
#include <string_view>

namespace lumisk {

class TJpegDecoder {
  public:
    // Whether the bytes hold a readable JPEG header (the markers up to the
    // start of the compressed data) for a picture of acceptable size. Only
    // the header is read. Never throws.
    static bool Accepts(std::string_view bytes) noexcept;

    // The whole picture at full size in Format_BGR888 (grey, RGB, YCbCr, CMYK
    // and YCCK files).
    static QImage Decode(std::string_view bytes);

    // The picture at the smallest DCT scale n/8 (n = 1 .. 8) whose size is at
    // least minWidth x minHeight; full size when even 8/8 is smaller. Much
    // cheaper than Decode for large files shown small.
    static QImage DecodeScaled(std::string_view bytes, int minWidth, int minHeight);
};

} // namespace lumisk
