#include "app/cli/datafolder.h"

#include "catalogue/appstate.h"
#include "catalogue/catalogueedit.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/favouritesfile.h"
#include "catalogue/settingsfile.h"
#include "util/bytetext.h"
#include "util/datadirectory.h"

#include <QSet>
#include <filesystem>
#include <system_error>

namespace lumisk::cli {

namespace fs = std::filesystem;

TDataFolder::TDataFolder(const std::string& folder, TDataAccess access,
                         std::function<void(const std::string&)> warn)
    : warn_(std::move(warn)) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (error && status.type() != fs::file_type::not_found)
        throw EDataFolderError("cannot open the data folder " + folder + ": " + error.message());
    if (fs::exists(status)) {
        if (!fs::is_directory(status)) throw EDataFolderError(folder + " is not a folder");
    } else if (access == TDataAccess::CreateIfMissing) {
        if (!fs::create_directories(folder, error) && error)
            throw EDataFolderError("cannot create the data folder " + folder + ": " +
                                   error.message());
    } else {
        throw EDataFolderError("the data folder " + folder + " does not exist");
    }
    fs::path absolute = fs::absolute(folder, error);
    path_ = (error ? fs::path(folder) : absolute.lexically_normal()).string();
    SetDataDirectory(path_);
    path_ = DataDirectory();
}

TCatalogue& TDataFolder::LoadCatalogue() {
    return Load(false);
}

TCatalogue& TDataFolder::Load(bool forChange) {
    TCatalogue& catalogue = App().Catalogue;
    const std::string path = CatalogueFileName();
    TCatalogueLoadResult result;
    try {
        result = LoadCatalogueFile(path, catalogue);
    } catch (const ELumiskError& e) {
        throw EDataFolderError(e.Message());
    }
    Warn(result, catalogue.Count, forChange);
    return catalogue;
}

void TDataFolder::Warn(const TCatalogueLoadResult& result, std::int32_t cameras, bool forChange) {
    const std::string path = CatalogueFileName();
    if (result.FileMissing)
        warn_(path + (forChange ? " not found: a new catalogue is started"
                                : " not found: the catalogue is empty"));
    if (result.EndedInsideRecord)
        warn_(path + " ended inside a camera record: the " + std::to_string(cameras) +
              " camera(s) before it were loaded; the last " + std::to_string(result.LeftoverLines) +
              " line(s) were ignored");
}

void TDataFolder::ChangeCatalogue(const std::function<bool(TCatalogue&)>& change) {
    // Read, changed and written under the data folder's lock, so that a save
    // of the windows in between cannot be lost or lose this change.
    try {
        const TCatalogueLoadResult result =
            EditCatalogueFile(CatalogueFileName(), [&](TCatalogue& fresh) {
                App().Catalogue = fresh;
                if (!change(App().Catalogue)) return false;
                fresh = App().Catalogue;
                return true;
            });
        Warn(result, App().Catalogue.Count, true);
    } catch (const ELumiskError& e) {
        throw EDataFolderError(e.Message());
    }
}

TSettingsValues TDataFolder::ReadSettings() {
    const std::string path = SettingsFileName();
    TSettingsLoadResult result = ReadSettingsFile(path, TSettingsValues{}, VersionLine);
    if (result.Unreadable) throw EDataFolderError(EFOpenError(path).Message());
    App().TotalBytes = result.Values.TotalBytes;
    App().TotalImages = result.Values.TotalImages;
    return result.Values;
}

std::vector<std::string> TDataFolder::LoadFavourites() {
    QSet<QString> descriptions;
    const TCatalogue& catalogue = App().Catalogue;
    for (std::int32_t i = 1; i <= catalogue.Count; ++i)
        descriptions.insert(
            BytesToDisplay(catalogue.Records[static_cast<std::size_t>(i)].Description)
                .toCaseFolded());
    try {
        App().Favourites = LoadFavouritesFile(FavouritesFileName(), [&](const std::string& text) {
            return descriptions.contains(BytesToDisplay(text).toCaseFolded());
        });
    } catch (const ELumiskError& e) {
        throw EDataFolderError(e.Message());
    }
    return App().Favourites;
}

} // namespace lumisk::cli
