#pragma once
// Changes to the catalogue file by a program that does not hold the whole
// catalogue in memory (the command-line commands). Each reads the file afresh
// under the data folder's lock, changes only what it names, and writes the
// file back in the windows' format and order, all before releasing the lock,
// so a save of the windows cannot slip in between. The windows then keep
// these changes (SaveCatalogueMerging).
//
// Errors: EFOpenError when the file cannot be read, EFCreateError when it
// cannot be written (it stays as it was), EDataFolderBusy when the lock is
// not to be had.
#include "catalogue/cataloguefile.h"

#include <functional>
#include <string>
#include <vector>

namespace lumisk {

// Under the lock: the file's cameras (none for a missing file) go to edit,
// and the catalogue is written when edit returns true; a missing file is
// then created. Returns what the read found (cameras cut off at the end are
// dropped by the write, as a save of the windows drops them).
TCatalogueLoadResult EditCatalogueFile(const std::string& path,
                                       const std::function<bool(TCatalogue&)>& edit);

// One download's date for the camera it belongs to.
struct TCameraDate {
    std::string Description;  // the camera's description, bytes as read
    std::string LastModified; // stored cut to its capacity, without line breaks
    int Occurrence = 0;       // which camera of that description, from 0 in catalogue order
};

// Sets each named camera's LastModified and changes nothing else. Returns
// the dates whose camera is gone (renamed or removed meanwhile): those are
// dropped. Writes nothing when no date changes.
std::vector<TCameraDate> StoreCameraDates(const std::string& path,
                                          const std::vector<TCameraDate>& dates);

enum class TAddCamera { Added, DescriptionTaken };

// Appends the camera (fields cut and cleaned as the window stores them)
// unless a camera of the same description exists, letter case ignored as
// the drop-down list matches; then nothing is written.
TAddCamera AddCameraToFile(const std::string& path, const CameraRecord& camera);

enum class TRemoveCamera { Removed, NotFound, Ambiguous };

// Removes the one camera whose description is exactly these bytes. None, or
// several (Ambiguous): nothing is written.
TRemoveCamera RemoveCameraFromFile(const std::string& path, const std::string& description);

} // namespace lumisk
