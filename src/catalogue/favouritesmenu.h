#pragma once
// The favourites as the main window offers them: the items at the end of the
// "Favorites" menu, a click on one, "Add current camera to favorites" and
// "Manage favorites ...". The list itself is App().Favourites (bytes, kept
// exactly); menu captions and manager lines are their display texts, and
// each item carries its favourite's bytes.
//
// Every change of the list is saved to "favorites.dat" (keeping what another
// program changed in the file meanwhile) and then the menu is rebuilt. A save
// that fails throws EFCreateError out of the action, for the caller's general
// error report; the list in memory keeps the change and the menu is left as
// it was.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <functional>
#include <string>

namespace lumisk {

class TFavManager;

// The main window's parts that the favourites work on. Not owned.
struct TFavouritesTargets {
    QMenu* Menu = nullptr;             // "Favorites": three fixed items, then one per favourite
    QComboBox* List = nullptr;         // the drop-down list of camera descriptions
    QCheckBox* AutoLoadFavs = nullptr; // "Auto-load favourites when selected"
    std::function<void()> Pick;        // the drop-down pick: makes the selected entry current
    std::function<void()> View;        // the View action
};

class TFavouritesMenu {
  public:
    explicit TFavouritesMenu(TFavouritesTargets targets) : targets_(std::move(targets)) {}

    // The main window's own parts (its menu, drop-down, pick and View, and
    // the settings dialog's check box).
    static TFavouritesMenu ForMainForm();

    // Start-up: App().Favourites from "favorites.dat", keeping only the
    // favourites that name an entry of the drop-down list (case ignored),
    // then the menu. The file is not rewritten. Throws EFOpenError for a file
    // that exists but cannot be read (the list is then empty).
    void LoadAndBuild();

    // Removes every item after the three fixed ones and adds one per
    // favourite, in list order; a click on one runs ItemClick under the
    // general error report.
    void Build();

    // A favourite's click: selects the first drop-down entry equal to it
    // (case ignored; failing that, equal once every "&" is removed from
    // both) and runs Pick, then View when AutoLoadFavs is checked. No such
    // entry: the error "This favourite refers to a camera that has been
    // deleted.".
    void ItemClick(QAction* item);

    // Adds description (the bytes the description field shows) unless an
    // equal favourite exists, which gives the notice "This camera already
    // exists in your favourites list."; then saves and rebuilds.
    void AddCurrent(const std::string& description);

    // Fills the manager's list, shows it and waits, processing events, until
    // it is hidden; then the favourites deleted in the manager leave the
    // list (favourites added meanwhile stay), and it is saved and the menu
    // rebuilt. A second call while the manager is open only brings it to
    // the front.
    void Manage(TFavManager& manager);

    // The favourite's bytes that an item of the menu carries.
    static std::string FavouriteOf(const QAction* item);

  private:
    void SaveAndBuild();

    TFavouritesTargets targets_;
};

} // namespace lumisk
