#pragma once
// Writing pictures as Windows bitmap files: 24 bits per pixel, BI_RGB,
// bottom-up rows padded to four bytes, a 14-byte file header and a 40-byte
// info header. Pictures of any format are converted to 24 bits first; a null
// picture is written as a 0 x 0 bitmap (headers only).
#include <QImage>
#include <cstdint>
#include <string>

namespace lumisk {

// The bytes of the bitmap file. Throws EImageError when the picture is too
// large for the format's 32-bit sizes.
std::string EncodeBitmap(const QImage& picture);

// The size of the bitmap file EncodeBitmap writes for the picture.
std::uint64_t BitmapFileSize(const QImage& picture);

// Writes the bitmap file to path, replacing any file there. On any failure
// (including a picture too large for the format) no partial file is left
// behind and EFCreateError(path) is thrown.
void SaveImageAsBitmap(const QImage& picture, const std::string& path);

} // namespace lumisk
