#pragma once
// Reader for Windows bitmap files (".bmp", beginning with "BM"): 1, 4, 8, 16,
// 24 and 32 bits per pixel, bottom-up and top-down rows, uncompressed
// (BI_RGB), BI_BITFIELDS and run-length encoded (RLE8, RLE4) pixel data, with
// the 12-byte core header and the 40 to 124-byte info headers.
//
// Every offset and size in the file is checked against the file's length
// before it is used; a file that does not hold all it announces is rejected
// with EImageError, never read past its end. Pixels that the file leaves
// undefined (skipped by an RLE delta, or colour indices beyond the palette)
// come out black.
#include <QImage>
#include <string_view>

namespace lumisk {

class TBmpDecoder {
  public:
    // The picture in Format_BGR888; throws EImageError when the bytes are not
    // a readable bitmap or announce more than kMaxImagePixels.
    static QImage Decode(std::string_view bytes);

    // Whether Decode would succeed. Never throws.
    static bool Accepts(std::string_view bytes) noexcept;
};

} // namespace lumisk
