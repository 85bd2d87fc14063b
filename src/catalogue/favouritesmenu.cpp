#include "catalogue/favouritesmenu.h"

#include "catalogue/appstate.h"
#include "catalogue/favmanager.h"
#include "catalogue/favouritesfile.h"
#include "catalogue/favouriteslist.h"
#include "catalogue/settings.h"
#include "util/bytetext.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/services.h"
#include "util/userdialogs.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"

#include <QByteArray>
#include <QPointer>
#include <algorithm>

namespace lumisk {

namespace {

// The fixed items: "Add current camera to favorites", "Manage favorites ...",
// and the separator.
constexpr int kFixedItems = 3;

// The first drop-down entry equal to text without regard to case, or -1
// (compared as the main window selects its entries). With withoutMarks each
// entry is compared with its "&" removed.
int FindEntry(const QComboBox* list, const QString& text, bool withoutMarks = false) {
    const QString wanted = text.toCaseFolded();
    for (int i = 0; i < list->count(); ++i) {
        QString entry = list->itemText(i);
        if (withoutMarks) entry.remove(QLatin1Char('&'));
        if (entry.toCaseFolded() == wanted) return i;
    }
    return -1;
}

// A menu caption showing the text as it is: "&" would otherwise mark an
// accelerator and vanish.
QString MenuCaption(const std::string& bytes) {
    QString caption = BytesToDisplay(bytes);
    caption.replace('&', QStringLiteral("&&"));
    return caption;
}

} // namespace

TFavouritesMenu TFavouritesMenu::ForMainForm() {
    IMainWindow* main = Forms().MainForm;
    TFavouritesTargets targets;
    targets.Menu = main->FavouritesMenu();
    targets.List = main->DescriptionList();
    targets.AutoLoadFavs = Forms().Settings ? Forms().Settings->AutoLoadFavs : nullptr;
    targets.Pick = [main] { main->description_comboClick(); };
    targets.View = [main] { main->viewbuttonClick(); };
    return TFavouritesMenu(std::move(targets));
}

void TFavouritesMenu::LoadAndBuild() {
    TAppState& app = App();
    app.Favourites.clear();
    const QComboBox* list = targets_.List;
    app.FavouritesOnDisk = {};
    app.Favourites = LoadFavouritesFile(
        FavouritesFileName(),
        [list](const std::string& text) { return FindEntry(list, BytesToDisplay(text)) >= 0; },
        app.FavouritesOnDisk);
    Build();
}

void TFavouritesMenu::Build() {
    QMenu* menu = targets_.Menu;
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = kFixedItems; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        // Later: the removal may run inside a click of that very item.
        actions[i]->deleteLater();
    }
    for (const std::string& favourite : App().Favourites) {
        QAction* item = menu->addAction(MenuCaption(favourite));
        item->setData(QByteArray(favourite.data(), static_cast<qsizetype>(favourite.size())));
        QPointer<QAction> guard(item);
        TFavouritesTargets targets = targets_;
        QObject::connect(item, &QAction::triggered, item, [guard, targets] {
            RunHandler([&] {
                if (guard) TFavouritesMenu(targets).ItemClick(guard);
            });
        });
    }
}

void TFavouritesMenu::ItemClick(QAction* item) {
    // The camera of that very name first; only then one that differs by the
    // accelerator marks a menu may add or take away.
    const std::string favourite = FavouriteOf(item);
    int entry = FindEntry(targets_.List, BytesToDisplay(favourite));
    if (entry < 0)
        entry = FindEntry(targets_.List, BytesToDisplay(FavouriteLookupText(favourite)), true);
    if (entry < 0) {
        Services().Dialogs->Error("This favourite refers to a camera that has been deleted.");
        return;
    }
    targets_.List->setCurrentIndex(entry);
    if (targets_.Pick) targets_.Pick();
    if (targets_.AutoLoadFavs && targets_.AutoLoadFavs->isChecked() && targets_.View)
        targets_.View();
}

void TFavouritesMenu::AddCurrent(const std::string& description) {
    TFavouritesList list(App().Favourites);
    if (!list.Add(description)) {
        Services().Dialogs->Information("This camera already exists in your favourites list.");
        return;
    }
    App().Favourites = list.Items();
    SaveAndBuild();
}

void TFavouritesMenu::Manage(TFavManager& manager) {
    if (manager.isVisible()) {
        manager.raise();
        manager.activateWindow();
        return;
    }
    const std::vector<std::string> shown = App().Favourites;
    manager.SetFavourites(shown);
    manager.show();
    QPointer<TFavManager> guard(&manager);
    WaitUntil([guard] { return !guard || !guard->isVisible(); });
    if (!guard) return;
    // Only what was deleted in the manager goes: a favourite added from the
    // main window while it was open stays.
    std::vector<std::string> deleted = shown;
    for (const std::string& kept : manager.Favourites())
        if (auto it = std::find(deleted.begin(), deleted.end(), kept); it != deleted.end())
            deleted.erase(it);
    std::vector<std::string> remaining;
    for (const std::string& favourite : App().Favourites) {
        auto it = std::find(deleted.begin(), deleted.end(), favourite);
        if (it == deleted.end())
            remaining.push_back(favourite);
        else
            deleted.erase(it);
    }
    App().Favourites = TFavouritesList(remaining).Items();
    SaveAndBuild();
}

std::string TFavouritesMenu::FavouriteOf(const QAction* item) {
    return item->data().toByteArray().toStdString();
}

void TFavouritesMenu::SaveAndBuild() {
    // Favourites another program added or removed meanwhile are kept so.
    SaveFavouritesMerging(FavouritesFileName(), App().Favourites, App().FavouritesOnDisk);
    Build();
}

} // namespace lumisk
