#pragma once
// The catalogue file "orvane.dat": five CR LF lines per camera (Description,
// ImageUrl, WebPage, UpdateMinutes, LastModified), no header.
#include "catalogue/catalogue.h"

#include <string>

namespace lumisk {

struct TCatalogueLoadResult {
    bool FileMissing = false;      // no file: the catalogue is left empty
    bool EndedInsideRecord = false; // 2-4 lines after the last whole record were dropped
    int LeftoverLines = 0;
};

// Replaces the catalogue's cameras with the file's. Missing file: empty
// catalogue and FileMissing. Unreadable file (also a pipe or directory in its
// place): throws EFOpenError, catalogue empty, and the file is never replaced
// by a save in this run. Current becomes 1 when there is a camera, else 0.
TCatalogueLoadResult LoadCatalogueFile(const std::string& path, TCatalogue& catalogue);

// The file bytes for slots 1..Count.
std::string CatalogueFileText(const TCatalogue& catalogue);

// Writes slots 1..Count, replacing the file atomically (WriteFileReplacing);
// throws EFCreateError (the old file stays) when it cannot be written or was
// found but not read at load.
void SaveCatalogueFile(const std::string& path, const TCatalogue& catalogue);

} // namespace lumisk
