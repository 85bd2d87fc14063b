#include "catalogue/catalogue.h"

#include <algorithm>

namespace lumisk {

namespace {

unsigned char KeyByte(char c) {
    auto b = static_cast<unsigned char>(c);
    // Only ASCII letters fold: bytes above 127 belong to the code page and
    // keep their value, so accented descriptions sort after Z.
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

} // namespace

bool DescriptionKeyLess(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ka = KeyByte(a[i]);
        const unsigned char kb = KeyByte(b[i]);
        if (ka != kb) return ka < kb;
    }
    return a.size() < b.size();
}

TCatalogue::TCatalogue() : Records(1) {}

void TCatalogue::Clear() {
    Records.clear();
    Records.emplace_back();
    Count = 0;
    Current = 0;
    TouchDescriptions();
}

CameraRecord& TCatalogue::CurrentRecord() {
    // A Current outside 0..Count would be a caller's fault; the scratch slot
    // is the harmless place for the window's fields to land then.
    if (Current < 0 || Current > Count) return Records[0];
    return Records[static_cast<std::size_t>(Current)];
}

void TCatalogue::Append() {
    Records.emplace_back();
    ++Count;
    Current = Count;
    TouchDescriptions();
}

void TCatalogue::DeleteCurrent() {
    if (Current < 1 || Current > Count) return;
    // Erasing shifts the following slots down whole (thumbnails with them)
    // and destroys the deleted slot, which releases its thumbnail now rather
    // than when the list next grows.
    Records.erase(Records.begin() + Current);
    if (Current == Count) --Current;
    --Count;
    TouchDescriptions();
}

void TCatalogue::SortByDescription() {
    // A stable sort under a strict "less" keeps equal keys in their order,
    // which is the order an exchange sort that never swaps equals produces.
    std::stable_sort(Records.begin() + 1, Records.end(),
                     [](const CameraRecord& a, const CameraRecord& b) {
                         return DescriptionKeyLess(a.Description, b.Description);
                     });
    TouchDescriptions();
}

} // namespace lumisk
