#pragma once
// The favourites file "favorites.dat" beside the program: one favourite per
// line, every line ended by CR LF; an empty list is an empty file. It is
// read at start-up and rewritten whole after every change of the list.
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

// Replaces the file with the favourites, one CR LF line each; throws
// EFCreateError naming path when it cannot be written or was found but not
// read (the old file stays).
void SaveFavouritesFile(const std::string& path, const std::vector<std::string>& favourites);

// The text a favourite's menu caption is looked up by: every "&" removed,
// since menus use it to mark keyboard accelerators. The descriptions it is
// compared with lose theirs too, so a description holding "&" still finds
// its camera.
std::string FavouriteLookupText(const std::string& caption);

} // namespace lumisk
