#pragma once
// The favourites: a list of camera descriptions (bytes, kept exactly as
// given) sorted by CompareFavourites, without two texts that compare equal.
// Adding an equal text keeps the one already there.
#include "catalogue/favouritecompare.h"

#include <string>
#include <vector>

namespace lumisk {

class TFavouritesList {
  public:
    TFavouritesList() = default;
    // The texts added one by one: sorted, the first of equal texts kept.
    explicit TFavouritesList(const std::vector<std::string>& texts);

    // Inserts text at its sorted place; false (and no change) when an equal
    // text is already in the list.
    bool Add(const std::string& text);
    // The position of the text equal to text, or -1.
    int IndexOf(const std::string& text) const;
    bool Contains(const std::string& text) const { return IndexOf(text) >= 0; }

    const std::vector<std::string>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }

  private:
    // The first position whose text does not sort before key.
    std::size_t LowerBound(const TFavouriteKey& key) const;

    std::vector<std::string> items_;
    std::vector<TFavouriteKey> keys_; // keys_[i] belongs to items_[i]
};

} // namespace lumisk
