#pragma once
// GIF decoding through giflib, reading from memory. A file is accepted only
// when it can be read through to its trailer: every record, extension and
// image block is read; the images after the first are checked for complete
// block structure without being decoded.
//
// The result is the first image placed on the file's logical screen (the
// screen's size, filled with its background colour; black when the file has
// no global colour table). Pixels of the graphic control extension's
// transparent colour let the background show through. A screen of size 0
// takes the first image's extent. Raises EImageError on any fault, for a file
// without an image, and when the screen or the image is larger than
// kMaxImagePixels.
#include <QImage>
#include <string_view>

namespace lumisk {

class TGifDecoder {
  public:
    // Whether Decode would succeed; decodes the first image one line at a
    // time without building the picture. Never throws.
    static bool Accepts(std::string_view bytes) noexcept;

    // The picture in Format_BGR888.
    static QImage Decode(std::string_view bytes);
};

} // namespace lumisk
