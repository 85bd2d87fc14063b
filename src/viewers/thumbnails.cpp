#include "viewers/thumbnails.h"

#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "imaging/previewpaths.h"
#include "util/fileio.h"

#include <exception>
#include <memory>

namespace lumisk {

namespace {

CameraRecord* RecordAt(int position) {
    TCatalogue& catalogue = App().Catalogue;
    if (position < 0 || position >= catalogue.Count) return nullptr;
    return &catalogue.Records[static_cast<std::size_t>(position) + 1];
}

void BuildFrom(CameraRecord& record, const std::string& path) {
    try {
        std::optional<QImage> picture = MakeThumbnail(path);
        if (picture) {
            record.thumbnail = std::make_shared<QImage>(std::move(*picture));
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
    QImage thumbnail = source->scaled(kThumbnailSize, kThumbnailSize, Qt::IgnoreAspectRatio,
                                      Qt::SmoothTransformation);
    return thumbnail.convertToFormat(QImage::Format_RGB888);
}

void BuildThumbnail(int position) {
    CameraRecord* record = RecordAt(position);
    if (!record) return;
    record->thumbnail.reset();
    record->thumbnailFailed = false;
    const std::string path = FindPreviewFile(record->Description, TPreviewLookup::Grid);
    if (FileExists(path)) BuildFrom(*record, path);
}

void EnsureThumbnail(int position) {
    CameraRecord* record = RecordAt(position);
    if (!record || record->thumbnail || record->thumbnailFailed) return;
    const std::string path = FindPreviewFile(record->Description, TPreviewLookup::Grid);
    if (FileExists(path)) BuildFrom(*record, path);
}

} // namespace lumisk
