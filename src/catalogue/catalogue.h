#pragma once
// The process-wide camera list. Slot 0 is a scratch slot; cameras occupy
// slots 1..Count in list order, so Records.size() == Count + 1 always.
// Current is 1..Count while a camera is current, 0 when none is.
#include "catalogue/camerarecord.h"

#include <cstdint>
#include <vector>

namespace lumisk {

class TCatalogue {
public:
    TCatalogue();

    std::vector<CameraRecord> Records;
    std::int32_t Count = 0;
    std::int32_t Current = 0;

    // Back to slot 0 alone, Count 0, Current 0.
    void Clear();
    // Slot Current (the scratch slot when none is current).
    CameraRecord& CurrentRecord();
    // Adds an all-empty slot at the end and makes it current.
    void Append();
    // Removes the current camera (1 <= Current <= Count); the following camera
    // becomes current, or the previous one when the last was removed. Slots
    // move whole, thumbnails included; the dropped thumbnail is released.
    void DeleteCurrent();
    // Stable sort of slots 1..Count by Description with a-z upper-cased,
    // compared as unsigned bytes. Current is not changed.
    void SortByDescription();
    // Incremented whenever the list of descriptions may have changed, so the
    // main window rebuilds its drop-down only when needed.
    std::uint64_t DescriptionsVersion() const { return descriptionsVersion_; }
    void TouchDescriptions() { ++descriptionsVersion_; }

private:
    std::uint64_t descriptionsVersion_ = 0;
};

// Sort key comparison: true when a's key sorts before b's.
bool DescriptionKeyLess(const std::string& a, const std::string& b);

} // namespace lumisk
