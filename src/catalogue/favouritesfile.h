#pragma once
// The favourites file "favorites.dat" beside the program: one favourite per
// line, every line ended by CR LF; an empty list is an empty file. It is
// read at start-up and rewritten whole after every change of the list.
#include "util/filesnapshot.h"

#include <functional>
#include <string>
#include <vector>

namespace lumisk {

// DataPath("favorites.dat").
std::string FavouritesFileName();

// The favourites kept from the file at path: its lines that namesCamera
// accepts, as a sorted list without duplicates (of equal lines the first in
// the file is kept). A missing file gives an empty list; a file that exists
// but cannot be read throws EFOpenError, and no save replaces it in this run.
std::vector<std::string>
LoadFavouritesFile(const std::string& path,
                   const std::function<bool(const std::string&)>& namesCamera);
// The same, recording in onDisk what the file held (also that there was none).
std::vector<std::string>
LoadFavouritesFile(const std::string& path,
                   const std::function<bool(const std::string&)>& namesCamera,
                   TFileSnapshot& onDisk);

// Replaces the file with the favourites, one CR LF line each, under the data
// folder's lock; throws EFCreateError naming path when it cannot be written
// or was found but not read (the old file stays), EDataFolderBusy when the
// lock is not to be had.
void SaveFavouritesFile(const std::string& path, const std::vector<std::string>& favourites);

// The favourites after two programs changed them: those of disk, plus what
// mine added since base, less what mine removed since base (texts compared
// as favourites are), sorted without duplicates. base holds every line the
// file had, so favourites the load dropped count as removed.
std::vector<std::string> MergeFavourites(const std::vector<std::string>& base,
                                         const std::vector<std::string>& mine,
                                         const std::vector<std::string>& disk);

// The windows' save: under the lock the file is read again, and when it no
// longer holds what onDisk recorded, favourites becomes MergeFavourites of
// onDisk's lines, favourites and the file's lines. Then it is written and
// onDisk records what was written. Throws as SaveFavouritesFile does (also
// when the file cannot be read again), leaving favourites and onDisk as
// they were.
void SaveFavouritesMerging(const std::string& path, std::vector<std::string>& favourites,
                           TFileSnapshot& onDisk);

// The text a favourite's menu caption is looked up by: every "&" removed,
// since menus use it to mark keyboard accelerators. The descriptions it is
// compared with lose theirs too, so a description holding "&" still finds
// its camera.
std::string FavouriteLookupText(const std::string& caption);

} // namespace lumisk
