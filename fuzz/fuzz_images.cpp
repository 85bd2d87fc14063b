// Detection and every decoder on arbitrary bytes. Besides crashes, leaks and
// hangs, this checks the promises callers rely on: detection never throws,
// decoders fail only with EImageError, a picture is always 24-bit and within
// the size limit, and a type that detection names decodes with its decoder.
#include "imaging/bmpdecoder.h"
#include "imaging/brightness.h"
#include "imaging/gifdecoder.h"
#include "imaging/imageerror.h"
#include "imaging/imagelimits.h"
#include "imaging/imagetype.h"
#include "imaging/jpegdecoder.h"
#include "imaging/pngdecoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

void CheckPicture(const QImage& picture) {
    Require(!picture.isNull(), "a decoded picture is not null");
    Require(picture.format() == QImage::Format_BGR888, "a decoded picture is 24-bit");
    Require(std::int64_t{picture.width()} * picture.height() <= lumisk::kMaxImagePixels,
            "a decoded picture is within the limit");
    const double brightness = lumisk::AverageBrightness(picture);
    Require(brightness >= 0 && brightness <= 100, "brightness is a percentage");
}

template <class Decode> bool TryDecode(Decode decode) {
    try {
        CheckPicture(decode());
        return true;
    } catch (const lumisk::EImageError&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumisk;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string type = DetectImageType(bytes.data(), bytes.size());

    const bool bmp = TryDecode([&] { return TBmpDecoder::Decode(bytes); });
    const bool gif = TryDecode([&] { return TGifDecoder::Decode(bytes); });
    const bool png = TryDecode([&] { return TPngDecoder::Decode(bytes); });
    const bool jpegHeader = TJpegDecoder::Accepts(bytes);
    if (jpegHeader) {
        TryDecode([&] { return TJpegDecoder::Decode(bytes); });
        TryDecode([&] { return TJpegDecoder::DecodeScaled(bytes, 64, 48); });
    }

    const char* expected = bmp          ? "BMP"
                           : gif        ? "GIF"
                           : jpegHeader ? "JPG"
                           : png        ? "PNG"
                                        : "Undetermined";
    Require(type == expected, "detection agrees with the decoders in their order");
    return 0;
}
