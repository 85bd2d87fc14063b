#pragma once
// Which thumbnails the grid keeps: those of the cameras painted (or rebuilt
// after a download) most recently, up to a budget of bytes of pixels. Going
// over the budget drops the thumbnails used longest ago from their camera
// records; the grid builds a dropped one again from its preview when its
// cell is painted again. The newest thumbnail is never dropped, even when it
// alone is over the budget.
//
// The thumbnails stay owned by the camera records, so they still move with
// sorting and deleting; this only remembers them, without keeping them
// alive, and finds the record again when one is to be dropped. A thumbnail
// released by its record (a deleted camera, a rebuild) is forgotten. Nothing
// here throws but allocation failures.
#include "catalogue/catalogue.h"

#include <QImage>
#include <cstddef>
#include <list>
#include <map>
#include <memory>

namespace lumisk {

class TThumbnailCache {
  public:
    explicit TThumbnailCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

    std::size_t Budget() const { return budget_; }
    // Drops at once what the new budget leaves no room for.
    void SetBudget(TCatalogue& catalogue, std::size_t bytes);
    // Bytes of pixels of the thumbnails kept that still exist.
    std::size_t Bytes() const;

    // The thumbnail of the camera at this drop-down position was just painted
    // or built: it becomes the newest, and the oldest go while the thumbnails
    // kept are over the budget. A position without a thumbnail is ignored.
    void Use(TCatalogue& catalogue, int position);

  private:
    struct TEntry {
        std::weak_ptr<QImage> Thumbnail;
        std::size_t Bytes = 0;
        int Position = 0; // where it was last used: where it is looked for first
    };
    using TOrder = std::list<TEntry>; // newest first

    void Forget(TOrder::iterator entry);
    void ForgetReleased();
    void Trim(TCatalogue& catalogue);
    static CameraRecord* Holder(TCatalogue& catalogue, const TEntry& entry,
                                const std::shared_ptr<QImage>& thumbnail);

    std::size_t budget_;
    std::size_t bytes_ = 0; // of every entry, released ones included
    TOrder order_;
    std::map<std::weak_ptr<QImage>, TOrder::iterator, std::owner_less<>> index_;
};

} // namespace lumisk
