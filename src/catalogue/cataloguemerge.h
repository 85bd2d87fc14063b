#pragma once
// How a catalogue held in memory meets the file another program changed.
// Cameras are matched by description (the n-th camera of a description with
// the n-th of the same description), between three lists: base (the file as
// this process last read or wrote it), mine (memory) and disk (the file now).
//
//  - A camera unchanged in memory since base takes the disk's fields (a
//    command's newer date, say).
//  - A camera changed or added in memory keeps its fields.
//  - A camera deleted in memory stays deleted, whatever the disk holds.
//  - A camera removed on disk and unchanged in memory goes too, except the
//    current camera (mine.Current), which the window is showing and keeps.
//  - A camera added on disk is appended, in the disk's order, unless memory
//    added one with the same fields.
// Cameras keep mine's order; thumbnails stay with their cameras.
#include "catalogue/catalogue.h"

#include <cstdint>
#include <vector>

namespace lumisk {

struct TCatalogueMerge {
    std::vector<CameraRecord> Records; // slot 0 (mine's scratch slot), then the cameras
    std::int32_t Current = 0;          // mine's current camera in Records, 0 when none
    bool Changed = false;              // Records differ from mine's
};

TCatalogueMerge MergeCatalogue(const TCatalogue& base, const TCatalogue& mine,
                               const TCatalogue& disk);

// The five texts are equal (the thumbnail is not looked at).
bool SameFields(const CameraRecord& a, const CameraRecord& b);

} // namespace lumisk
