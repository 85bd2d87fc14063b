#include "imaging/imagefile.h"

#include "imaging/bmpdecoder.h"
#include "imaging/gifdecoder.h"
#include "imaging/jpegdecoder.h"
#include "imaging/picturehandover.h"
#include "imaging/pngdecoder.h"
#include "util/fileio.h"
#include "util/lumiskerror.h"

#include <atomic>
#include <cctype>

namespace lumisk {

namespace {

enum class TKind { None, Bmp, Jpg, Gif, Png };

TKind KindOfPath(const std::string& path) {
    if (path.size() < 3) return TKind::None;
    // Previews are found without regard to the case of their extension, so
    // the extension is matched the same way.
    std::string end = path.substr(path.size() - 3);
    for (char& c : end)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (end == "bmp") return TKind::Bmp;
    if (end == "jpg") return TKind::Jpg;
    if (end == "gif") return TKind::Gif;
    if (end == "png") return TKind::Png;
    return TKind::None;
}

std::atomic<std::uint64_t> decodedFiles{0};

std::string ReadImageFile(const std::string& path) {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) throw EFOpenError(path);
    return std::move(*bytes);
}

} // namespace

std::optional<QImage> DecodeImageFile(const std::string& path) {
    const TKind kind = KindOfPath(path);
    if (kind == TKind::None) return std::nullopt;
    if (std::optional<QImage> handed = TPictureHandOver::Find(path)) return handed;
    const std::string bytes = ReadImageFile(path);
    ++decodedFiles;
    switch (kind) {
    case TKind::Bmp:
        return TBmpDecoder::Decode(bytes);
    case TKind::Jpg:
        return TJpegDecoder::Decode(bytes);
    case TKind::Gif:
        return TGifDecoder::Decode(bytes);
    case TKind::Png:
        return TPngDecoder::Decode(bytes);
    case TKind::None:
        break;
    }
    return std::nullopt;
}

QImage DecodeJpegForThumbnail(const std::string& path, int minWidth, int minHeight) {
    const std::string bytes = ReadImageFile(path);
    ++decodedFiles;
    return TJpegDecoder::DecodeScaled(bytes, minWidth, minHeight);
}

std::optional<QImage> DecodeImageForThumbnail(const std::string& path, int minWidth,
                                              int minHeight) {
    const TKind kind = KindOfPath(path);
    if (kind == TKind::None) return std::nullopt;
    if (std::optional<QImage> handed = TPictureHandOver::FindReduced(path, minWidth, minHeight))
        return handed;
    if (kind == TKind::Jpg) return DecodeJpegForThumbnail(path, minWidth, minHeight);
    return DecodeImageFile(path);
}

std::uint64_t ImageFilesDecoded() {
    return decodedFiles.load();
}

} // namespace lumisk
