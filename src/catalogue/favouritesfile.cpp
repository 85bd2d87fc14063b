#include "catalogue/favouritesfile.h"

#include "catalogue/favouriteslist.h"
#include "util/datadirectory.h"
#include "util/datafolderlock.h"
#include "util/fileio.h"
#include "util/lumiskerror.h"
#include "util/textutils.h"

namespace lumisk {

std::string FavouritesFileName() {
    return DataPath("favorites.dat");
}

std::vector<std::string>
LoadFavouritesFile(const std::string& path,
                   const std::function<bool(const std::string&)>& namesCamera) {
    TFileSnapshot unused;
    return LoadFavouritesFile(path, namesCamera, unused);
}

std::vector<std::string>
LoadFavouritesFile(const std::string& path,
                   const std::function<bool(const std::string&)>& namesCamera,
                   TFileSnapshot& onDisk) {
    const std::optional<std::string> data = ReadDataFile(path);
    onDisk.Record(data);
    if (!data) return {};
    // Adding the lines one by one sorts them; of equal lines the first in the
    // file is kept, which is what a stable sort followed by the adding gives.
    std::vector<std::string> kept;
    for (std::string& line : SplitTextLines(*data))
        if (namesCamera(line)) kept.push_back(std::move(line));
    return TFavouritesList(kept).Items();
}

void SaveFavouritesFile(const std::string& path, const std::vector<std::string>& favourites) {
    const TDataFolderLock lock(FolderOfFile(path));
    WriteDataFile(path, JoinTextLines(favourites));
}

std::vector<std::string> MergeFavourites(const std::vector<std::string>& base,
                                         const std::vector<std::string>& mine,
                                         const std::vector<std::string>& disk) {
    const TFavouritesList before(base), after(mine);
    TFavouritesList merged;
    for (const std::string& text : disk)
        if (after.Contains(text) || !before.Contains(text)) merged.Add(text);
    for (const std::string& text : mine)
        if (!before.Contains(text)) merged.Add(text);
    return merged.Items();
}

void SaveFavouritesMerging(const std::string& path, std::vector<std::string>& favourites,
                           TFileSnapshot& onDisk) {
    const TDataFolderLock lock(FolderOfFile(path));
    std::optional<std::string> now;
    try {
        now = ReadWholeFile(path);
    } catch (const EFOpenError&) {
        throw EFCreateError(path);
    }
    std::vector<std::string> merged =
        onDisk.Matches(now) ? favourites
                            : MergeFavourites(SplitTextLines(onDisk.Text.value_or("")), favourites,
                                              SplitTextLines(now.value_or("")));
    std::string text = JoinTextLines(merged);
    WriteDataFile(path, text);
    onDisk.Record(std::move(text));
    favourites = std::move(merged);
}

std::string FavouriteLookupText(const std::string& caption) {
    return StripChars(caption, "&");
}

} // namespace lumisk
