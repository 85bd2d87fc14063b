#pragma once
// What the other windows may ask of the main window: step through the
// catalogue, pick and view the current camera, read its fields, and end a
// View in progress. The main window implements it and lives as long as the
// other windows (widgets/forms.h); it is never deleted through this interface.
#include <QString>
#include <string>

class QComboBox;
class QMenu;

namespace lumisk {

class IMainWindow {
  public:
    // The navigation buttons' handlers, with everything they do.
    virtual void firstbuttonClick() = 0;
    virtual void backbuttonClick() = 0;
    virtual void nextbuttonClick() = 0;
    virtual bool BackEnabled() const = 0;
    virtual bool NextEnabled() const = 0;

    // The drop-down of descriptions: other windows look cameras up in it and
    // select one, then let the main window load it.
    virtual QComboBox* DescriptionList() const = 0;
    virtual void description_comboClick() = 0;
    // The Favourites menu, which the favourites code fills.
    virtual QMenu* FavouritesMenu() const = 0;

    // The current camera's fields: the description's bytes as stored, and the
    // description and address as shown.
    virtual std::string DescriptionBytes() const = 0;
    virtual QString DescriptionText() const = 0;
    virtual QString UrlText() const = 0;
    // Copies slot Catalogue.Current into the fields.
    virtual void ShowCurrentRecord() = 0;

    // Downloads the current camera, as the View button does.
    virtual void viewbuttonClick() = 0;
    // Ends the View in progress at once: sets the abort flag, then closes
    // the connection.
    virtual void AbortView() = 0;
    // Brings the main window to the front.
    virtual void Activate() = 0;

  protected:
    ~IMainWindow() = default;
};

} // namespace lumisk
