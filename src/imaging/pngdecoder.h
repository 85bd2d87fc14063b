#pragma once
// PNG decoding through libpng (zlib inside). The whole file is read and
// checked: signature, every chunk's CRC (critical and ancillary alike: a
// damaged checksum rejects the file), the compressed data's own checksum and
// the chunks after the image up to IEND. Any fault raises EImageError; nothing
// is printed.
//
// Every colour type and bit depth comes out as 8-bit blue, green, red. Pixels
// with transparency (an alpha channel or a tRNS chunk) are blended onto white.
// No gamma correction is applied.
#include <QImage>
#include <string_view>

namespace lumisk {

class TPngDecoder {
  public:
    // Whether Decode would succeed; reads the whole file, keeping one row of
    // pixels at a time. Never throws.
    static bool Accepts(std::string_view bytes) noexcept;

    // The picture in Format_BGR888.
    static QImage Decode(std::string_view bytes);
};

} // namespace lumisk
