#include "imaging/imagetype.h"

#include "imaging/bmpdecoder.h"
#include "imaging/gifdecoder.h"
#include "imaging/jpegdecoder.h"
#include "imaging/pngdecoder.h"
#include "util/fileio.h"

#include <optional>
#include <string_view>

namespace lumisk {

std::string DetectImageType(const char* data, std::size_t size) noexcept {
    const std::string_view bytes(data, data ? size : 0);
    if (TBmpDecoder::Accepts(bytes)) return "BMP";
    if (TGifDecoder::Accepts(bytes)) return "GIF";
    if (TJpegDecoder::Accepts(bytes)) return "JPG";
    if (TPngDecoder::Accepts(bytes)) return "PNG";
    return "Undetermined";
}

std::string DetectImageType(const std::string& path) noexcept {
    std::optional<std::string> bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (...) {
        return "Undetermined";
    }
    if (!bytes) return "Undetermined";
    return DetectImageType(bytes->data(), bytes->size());
}

} // namespace lumisk
