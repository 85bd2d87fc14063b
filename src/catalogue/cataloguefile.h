#pragma once
// The catalogue file "orvane.dat": five CR LF lines per camera (Description,
// ImageUrl, WebPage, UpdateMinutes, LastModified), no header.
#include "catalogue/catalogue.h"
#include "util/filesnapshot.h"

#include <string>

namespace lumisk {

// The data folder's catalogue file, "orvane.dat".
std::string CatalogueFileName();

struct TCatalogueLoadResult {
    bool FileMissing = false;       // no file: the catalogue is left empty
    bool EndedInsideRecord = false; // 2-4 lines after the last whole record were dropped
    int LeftoverLines = 0;
};

// Replaces the catalogue's cameras with the file's. Missing file: empty
// catalogue and FileMissing. Unreadable file (also a pipe or directory in its
// place): throws EFOpenError, catalogue empty, and the file is never replaced
// by a save in this run. Current becomes 1 when there is a camera, else 0.
TCatalogueLoadResult LoadCatalogueFile(const std::string& path, TCatalogue& catalogue);
// The same, recording in onDisk what the file held (also that there was none).
TCatalogueLoadResult LoadCatalogueFile(const std::string& path, TCatalogue& catalogue,
                                       TFileSnapshot& onDisk);

// Replaces the catalogue's cameras with those of a file's bytes, by the
// rules of LoadCatalogueFile.
TCatalogueLoadResult ParseCatalogueText(const std::string& text, TCatalogue& catalogue);

// The file bytes for slots 1..Count.
std::string CatalogueFileText(const TCatalogue& catalogue);

// Writes slots 1..Count, replacing the file atomically (WriteFileReplacing;
// a new file is readable by its owner alone, as addresses may hold passwords),
// under the data folder's lock; throws EFCreateError (the old file stays)
// when it cannot be written or was found but not read at load, and
// EDataFolderBusy when the lock is not to be had.
void SaveCatalogueFile(const std::string& path, const TCatalogue& catalogue);

// The save of a program that holds the catalogue while others may change the
// file (the windows). Under the lock, the file is read again; when it no
// longer holds what onDisk recorded, the catalogue first takes in the other
// program's changes (MergeCatalogue, with onDisk as the base). Then it is
// written and onDisk records what was written. True when the merge changed
// the catalogue. A failure throws as SaveCatalogueFile does (also when the
// file cannot be read again), and leaves catalogue and onDisk as they were.
bool SaveCatalogueMerging(const std::string& path, TCatalogue& catalogue, TFileSnapshot& onDisk);

} // namespace lumisk
