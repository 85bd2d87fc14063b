#include "catalogue/favouritesfile.h"

#include "catalogue/favouriteslist.h"
#include "util/datadirectory.h"
#include "util/fileio.h"
#include "util/textutils.h"

namespace lumisk {

std::string FavouritesFileName() {
    return DataPath("favorites.dat");
}

std::vector<std::string>
LoadFavouritesFile(const std::string& path,
                   const std::function<bool(const std::string&)>& namesCamera) {
    const std::optional<std::string> data = ReadDataFile(path);
    if (!data) return {};
    // Adding the lines one by one sorts them; of equal lines the first in the
    // file is kept, which is what a stable sort followed by the adding gives.
    std::vector<std::string> kept;
    for (std::string& line : SplitTextLines(*data))
        if (namesCamera(line)) kept.push_back(std::move(line));
    return TFavouritesList(kept).Items();
}

void SaveFavouritesFile(const std::string& path, const std::vector<std::string>& favourites) {
    WriteDataFile(path, JoinTextLines(favourites));
}

std::string FavouriteLookupText(const std::string& caption) {
    return StripChars(caption, "&");
}

} // namespace lumisk
