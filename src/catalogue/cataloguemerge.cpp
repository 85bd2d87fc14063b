#include "catalogue/cataloguemerge.h"

#include <string_view>
#include <unordered_map>

namespace lumisk {

namespace {

// A camera's description and how many cameras before it have the same one.
// The description is a view into the catalogue, which outlives the keys.
struct TKey {
    std::string_view Description;
    int Occurrence = 0;
    bool operator==(const TKey&) const = default;
};

struct TKeyHash {
    std::size_t operator()(const TKey& key) const {
        return std::hash<std::string_view>{}(key.Description) ^
               (static_cast<std::size_t>(key.Occurrence) * 0x9e3779b97f4a7c15ULL);
    }
};

// Each camera's key, and the slot of each key.
struct TKeys {
    std::vector<TKey> OfSlot; // index = slot
    std::unordered_map<TKey, std::size_t, TKeyHash> Slot;

    explicit TKeys(const TCatalogue& catalogue) {
        const auto count = static_cast<std::size_t>(catalogue.Count);
        OfSlot.reserve(count + 1);
        OfSlot.emplace_back();
        Slot.reserve(count);
        std::unordered_map<std::string_view, int> seen;
        seen.reserve(count);
        for (std::size_t s = 1; s <= count; ++s) {
            const std::string_view description = catalogue.Records[s].Description;
            const TKey key{description, seen[description]++};
            Slot.emplace(key, s);
            OfSlot.push_back(key);
        }
    }

    const std::size_t* Find(const TKey& key) const {
        auto it = Slot.find(key);
        return it == Slot.end() ? nullptr : &it->second;
    }
};

void TakeFields(CameraRecord& to, const CameraRecord& from) {
    to.ImageUrl = from.ImageUrl;
    to.Description = from.Description;
    to.WebPage = from.WebPage;
    to.UpdateMinutes = from.UpdateMinutes;
    to.LastModified = from.LastModified;
}

} // namespace

bool SameFields(const CameraRecord& a, const CameraRecord& b) {
    return a.Description == b.Description && a.ImageUrl == b.ImageUrl && a.WebPage == b.WebPage &&
           a.UpdateMinutes == b.UpdateMinutes && a.LastModified == b.LastModified;
}

TCatalogueMerge MergeCatalogue(const TCatalogue& base, const TCatalogue& mine,
                               const TCatalogue& disk) {
    const TKeys baseKeys(base), mineKeys(mine), diskKeys(disk);
    TCatalogueMerge merge;
    merge.Records.reserve(mine.Records.size() + static_cast<std::size_t>(disk.Count));
    merge.Records.push_back(mine.Records[0]);

    for (std::size_t m = 1; m <= static_cast<std::size_t>(mine.Count); ++m) {
        const CameraRecord& record = mine.Records[m];
        const TKey& key = mineKeys.OfSlot[m];
        const std::size_t* b = baseKeys.Find(key);
        const bool untouched = b && SameFields(record, base.Records[*b]);
        const std::size_t* d = diskKeys.Find(key);
        const bool current = static_cast<std::int32_t>(m) == mine.Current;
        if (untouched && !d && !current) {
            merge.Changed = true;
            continue;
        }
        if (current) merge.Current = static_cast<std::int32_t>(merge.Records.size());
        CameraRecord& kept = merge.Records.emplace_back(record);
        if (untouched && d && !SameFields(record, disk.Records[*d])) {
            TakeFields(kept, disk.Records[*d]);
            merge.Changed = true;
        }
    }

    for (std::size_t d = 1; d <= static_cast<std::size_t>(disk.Count); ++d) {
        const TKey& key = diskKeys.OfSlot[d];
        // A camera base knew was dealt with above: kept, updated or deleted.
        if (baseKeys.Find(key)) continue;
        const std::size_t* m = mineKeys.Find(key);
        if (m && SameFields(mine.Records[*m], disk.Records[d])) continue;
        merge.Records.push_back(disk.Records[d]);
        merge.Changed = true;
    }
    return merge;
}

} // namespace lumisk
