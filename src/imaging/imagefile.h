#pragma once
// Decoding image files for display. The decoder is chosen by the path's last
// three characters, "bmp", "jpg", "gif" or "png", in any letter case
// (previews are written with upper-case extensions and looked up without
// regard to case). The file's content is not
// sniffed: a PNG named ".jpg" is rejected by the JPEG decoder.
//
// Errors: EFOpenError when the file is missing or unreadable, EImageError
// when the chosen decoder rejects it. Results are always Format_BGR888.
//
// While a file's picture is handed over (imaging/picturehandover.h),
// DecodeImageFile returns that picture and DecodeImageForThumbnail a smaller
// one made from it, without reading the file.
#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

// The whole picture at full size, or nothing when the ending is none of the
// four (no file is read then).
std::optional<QImage> DecodeImageFile(const std::string& path);

// A JPEG file (whatever its name) decoded at the smallest DCT scale n/8 that
// still gives at least minWidth x minHeight pixels, for pictures that are
// shown shrunk anyway.
QImage DecodeJpegForThumbnail(const std::string& path, int minWidth, int minHeight);

// DecodeJpegForThumbnail for ".jpg" paths, DecodeImageFile for the others
// (nothing, and no file read, for an ending that names no decoder).
std::optional<QImage> DecodeImageForThumbnail(const std::string& path, int minWidth, int minHeight);

// How many files the operations above have read and decoded in this process
// (pictures taken from a hand-over not counted).
std::uint64_t ImageFilesDecoded();

} // namespace lumisk
