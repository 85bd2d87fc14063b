#pragma once
// The thumbnails of the grid. Each camera's record holds its own thumbnail
// (a 200 x 200 picture at 24 bits per pixel, Format_RGB888) or none, so
// sorting and deleting carry it along; positions are 0-based drop-down
// positions, the camera in catalogue slot position + 1.
//
// A preview that exists but cannot be decoded leaves the camera without a
// thumbnail and marks it failed, so that repaints do not decode it again;
// nothing is reported. Only BuildThumbnail (after a new preview arrived)
// tries such a camera again. Positions outside the catalogue are ignored.
//
// Only the thumbnails of the cameras painted or rebuilt most recently are
// kept, up to a budget of bytes (viewers/thumbnailcache.h); the others are
// dropped from their records and built again when their cells are painted.
#include <QImage>
#include <cstddef>
#include <optional>
#include <string>

namespace lumisk {

inline constexpr int kThumbnailSize = 200;
// About 1,100 thumbnails: several screens of the grid on the largest
// monitors, so that scrolling back rarely decodes again.
inline constexpr std::size_t kDefaultThumbnailBudget = std::size_t{128} << 20;

// The picture in the file stretched over the whole square, aspect not kept.
// Nothing when the path's ending names no decoder; otherwise the decoders'
// errors (EFOpenError, EImageError) reach the caller.
std::optional<QImage> MakeThumbnail(const std::string& path);

// Drops the camera's thumbnail and builds it again from its preview file
// (the grid's order: ".bmp", ".gif", ".jpg", ".png"); none when the camera
// has no preview file.
void BuildThumbnail(int position);

// Builds the thumbnail when the camera has none, has not failed before and a
// preview file exists: the grid calls it for every cell it paints. A
// thumbnail that is there counts as just painted.
void EnsureThumbnail(int position);

// The budget for the thumbnails kept, in bytes of pixels; a smaller one
// drops the oldest at once.
std::size_t ThumbnailBudget();
void SetThumbnailBudget(std::size_t bytes);
// Bytes of pixels of the thumbnails kept now.
std::size_t ThumbnailBytesKept();

} // namespace lumisk
