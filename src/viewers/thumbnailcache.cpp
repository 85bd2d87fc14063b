#include "viewers/thumbnailcache.h"

namespace lumisk {

namespace {

CameraRecord* RecordAt(TCatalogue& catalogue, int position) {
    if (position < 0 || position >= catalogue.Count) return nullptr;
    return &catalogue.Records[static_cast<std::size_t>(position) + 1];
}

} // namespace

std::size_t TThumbnailCache::Bytes() const {
    std::size_t bytes = 0;
    for (const TEntry& entry : order_)
        if (!entry.Thumbnail.expired()) bytes += entry.Bytes;
    return bytes;
}

void TThumbnailCache::SetBudget(TCatalogue& catalogue, std::size_t bytes) {
    budget_ = bytes;
    ForgetReleased();
    Trim(catalogue);
}

void TThumbnailCache::Use(TCatalogue& catalogue, int position) {
    CameraRecord* record = RecordAt(catalogue, position);
    if (!record || !record->thumbnail) return;
    const std::shared_ptr<QImage>& thumbnail = record->thumbnail;
    if (auto known = index_.find(thumbnail); known != index_.end()) {
        // Painted again: only its place in the order changes.
        order_.splice(order_.begin(), order_, known->second);
        order_.front().Position = position;
        return;
    }
    // A new thumbnail: the ones released since the last are counted no more.
    ForgetReleased();
    const std::size_t bytes = static_cast<std::size_t>(thumbnail->sizeInBytes());
    order_.push_front(TEntry{thumbnail, bytes, position});
    index_.emplace(order_.front().Thumbnail, order_.begin());
    bytes_ += bytes;
    Trim(catalogue);
}

void TThumbnailCache::Forget(TOrder::iterator entry) {
    bytes_ -= entry->Bytes;
    index_.erase(entry->Thumbnail);
    order_.erase(entry);
}

void TThumbnailCache::ForgetReleased() {
    for (auto entry = order_.begin(); entry != order_.end();) {
        const auto next = std::next(entry);
        if (entry->Thumbnail.expired()) Forget(entry);
        entry = next;
    }
}

void TThumbnailCache::Trim(TCatalogue& catalogue) {
    while (bytes_ > budget_ && order_.size() > 1) {
        const auto oldest = std::prev(order_.end());
        if (const std::shared_ptr<QImage> thumbnail = oldest->Thumbnail.lock())
            if (CameraRecord* record = Holder(catalogue, *oldest, thumbnail))
                record->thumbnail.reset();
        Forget(oldest);
    }
}

CameraRecord* TThumbnailCache::Holder(TCatalogue& catalogue, const TEntry& entry,
                                      const std::shared_ptr<QImage>& thumbnail) {
    // Where it was last painted, unless sorting or deleting moved it since.
    if (CameraRecord* record = RecordAt(catalogue, entry.Position);
        record && record->thumbnail == thumbnail)
        return record;
    for (int position = 0; position < catalogue.Count; ++position)
        if (CameraRecord* record = RecordAt(catalogue, position); record->thumbnail == thumbnail)
            return record;
    return nullptr;
}

} // namespace lumisk
