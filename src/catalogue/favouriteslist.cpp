#include "catalogue/favouriteslist.h"

#include <algorithm>

namespace lumisk {

TFavouritesList::TFavouritesList(const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        Add(text);
}

std::size_t TFavouritesList::LowerBound(const TFavouriteKey& key) const {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key,
                               [](const TFavouriteKey& item, const TFavouriteKey& wanted) {
                                   return CompareFavouriteKeys(item, wanted) < 0;
                               });
    return static_cast<std::size_t>(it - keys_.begin());
}

bool TFavouritesList::Add(const std::string& text) {
    TFavouriteKey key = FavouriteKey(text);
    const std::size_t at = LowerBound(key);
    if (at < keys_.size() && CompareFavouriteKeys(keys_[at], key) == 0) return false;
    const auto offset = static_cast<std::ptrdiff_t>(at);
    items_.insert(items_.begin() + offset, text);
    keys_.insert(keys_.begin() + offset, std::move(key));
    return true;
}

int TFavouritesList::IndexOf(const std::string& text) const {
    const TFavouriteKey key = FavouriteKey(text);
    const std::size_t at = LowerBound(key);
    if (at < keys_.size() && CompareFavouriteKeys(keys_[at], key) == 0) return static_cast<int>(at);
    return -1;
}

} // namespace lumisk
