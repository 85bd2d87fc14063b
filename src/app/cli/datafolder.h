#pragma once
// The data folder as a command sees it: the files the windows use, read and
// written through the windows' own loaders and savers, into the shared
// program state (App()), with no window. Opening it makes it the program's
// data directory (DataPath). Everything that makes the folder unusable
// throws EDataFolderError, which ends the command with exit status 2;
// what the windows would show in a message box and then carry on after
// goes to warn (a line on stderr) and the command carries on too.
// Unlike the windows at start-up, a command never removes the temporary
// files of saves: they may belong to a save that the windows are making.
#include "app/cli/command.h"
#include "catalogue/catalogue.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/settingsfile.h"
#include "util/lumiskerror.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumisk::cli {

class EDataFolderError : public ELumiskError {
  public:
    explicit EDataFolderError(const std::string& message) : ELumiskError(message) {}
};

class TDataFolder {
  public:
    // access is MustExist or CreateIfMissing.
    TDataFolder(const std::string& folder, TDataAccess access,
                std::function<void(const std::string&)> warn);

    // With a trailing "/".
    const std::string& Path() const { return path_; }

    // orvane.dat into App().Catalogue. A missing file is an empty catalogue
    // (with a warning); a file ending inside a record keeps the records
    // before it (with a warning); an unreadable one is EDataFolderError.
    TCatalogue& LoadCatalogue();
    // Loads the catalogue afresh under the data folder's lock, lets change
    // edit it and saves it when change returns true, before the lock is let
    // go: the one place where a command rewrites orvane.dat, so that it
    // changes what is on disk at that moment and a window's save cannot
    // come in between.
    void ChangeCatalogue(const std::function<bool(TCatalogue&)>& change);
    // orvane.ini as the settings dialog holds it after start-up; the
    // counters also go to App(). Nothing is written (the version flag and
    // the first run are the windows' business).
    TSettingsValues ReadSettings();
    // favorites.dat, keeping the favourites that name a camera of the
    // loaded catalogue, as the windows do; also into App().Favourites.
    std::vector<std::string> LoadFavourites();

  private:
    TCatalogue& Load(bool forChange);
    void Warn(const TCatalogueLoadResult& result, std::int32_t cameras, bool forChange);

    std::string path_;
    std::function<void(const std::string&)> warn_;
};

} // namespace lumisk::cli
