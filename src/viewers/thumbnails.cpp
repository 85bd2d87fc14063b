#include "viewers/thumbnails.h"

#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "imaging/previewfit.h"
#include "imaging/previewpaths.h"
#include "util/fileio.h"
#include "viewers/thumbnailcache.h"

#include <exception>
#include <memory>

namespace lumisk {

namespace {

TThumbnailCache& Kept() {
    static TThumbnailCache cache(kDefaultThumbnailBudget);
    return cache;
}

CameraRecord* RecordAt(int position) {
    TCatalogue& catalogue = App().Catalogue;
    if (position < 0 || position >= catalogue.Count) return nullptr;
    return &catalogue.Records[static_cast<std::size_t>(position) + 1];
}

void BuildFrom(CameraRecord& record, int position, const std::string& path) {
    try {
        std::optional<QImage> picture = MakeThumbnail(path);
        if (picture) {
            record.thumbnail = std::make_shared<QImage>(std::move(*picture));
            Kept().Use(App().Catalogue, position);
            return;
        }
    } catch (const std::exception&) {
        // Falls through: the cell shows "No preview" without a report.
    }
    record.thumbnailFailed = true;
}

} // namespace

std::optional<QImage> MakeThumbnail(const std::string& path) {
    std::optional<QImage> source = DecodeImageForThumbnail(path, kThumbnailSize, kThumbnailSize);
    if (!source || source->isNull()) return std::nullopt;
    // A picture decoded whole (not a JPEG) is first averaged down to about
    // the size a scaled JPEG decode would have given.
    QImage thumbnail = ShrinkAtLeast(*source, kThumbnailSize, kThumbnailSize)
                           .scaled(kThumbnailSize, kThumbnailSize, Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    return thumbnail.convertToFormat(QImage::Format_RGB888);
}

void BuildThumbnail(int position) {
    CameraRecord* record = RecordAt(position);
    if (!record) return;
    record->thumbnail.reset();
    record->thumbnailFailed = false;
    const std::string path = FindPreviewFile(record->Description, TPreviewLookup::Grid);
    if (FileExists(path)) BuildFrom(*record, position, path);
}

void EnsureThumbnail(int position) {
    CameraRecord* record = RecordAt(position);
    if (!record || record->thumbnailFailed) return;
    if (record->thumbnail) return Kept().Use(App().Catalogue, position);
    const std::string path = FindPreviewFile(record->Description, TPreviewLookup::Grid);
    if (FileExists(path)) BuildFrom(*record, position, path);
}

std::size_t ThumbnailBudget() {
    return Kept().Budget();
}

void SetThumbnailBudget(std::size_t bytes) {
    Kept().SetBudget(App().Catalogue, bytes);
}

std::size_t ThumbnailBytesKept() {
    return Kept().Bytes();
}

} // namespace lumisk
