// The main window's menu actions that open other windows. Part of TMainForm,
// kept apart so the window's own file stays readable.
#include "app/mainform.h"

#include "app/about.h"
#include "catalogue/appstate.h"
#include "catalogue/favmanager.h"
#include "catalogue/favouritesmenu.h"
#include "catalogue/settings.h"
#include "tools/avibuildform.h"
#include "tools/htmlindexcommand.h"
#include "tools/refreshpreviews.h"
#include "tools/statsform.h"
#include "tools/timeclient.h"
#include "tools/timelapseform.h"
#include "util/datadirectory.h"
#include "util/fileio.h"
#include "util/services.h"
#include "util/userdialogs.h"
#include "viewers/thumbnailform.h"
#include "widgets/forms.h"
#include "widgets/windowplacement.h"

namespace lumisk {

// ---- Windows opened from the menu ------------------------------------------

void TMainForm::Settings2Click() {
    Forms().Settings->show();
    Forms().Settings->raise();
}

void TMainForm::Createtimelapseframes1Click() {
    TTimeLapseForm* form = Forms().TimeLapseForm;
    TWindowPlacement::Place(form, TPlacement::TopLeft);
    form->Stats->showMessage("Click Start to begin capture...");
    form->show();
}

void TMainForm::BuildAVImovie1Click() {
    if (!FileExists(DataPath("Frames/FRA00000.BMP"))) {
        Services().Dialogs->Error("No frame files have been found.\r"
                                  "Frames must be created before AVI movies can be compiled.");
        return;
    }
    Forms().AVIBuildForm->show();
}

void TMainForm::Refreshallpreviewimages1Click() {
    TRefreshPreviews* form = Forms().RefreshPreviews;
    TWindowPlacement::Place(form, TPlacement::TopRight);
    form->show();
}

void TMainForm::Viewstatistics1Click() {
    // Just above the task bar at the right edge: the bottom of the window
    // touches the bottom of the work area.
    TStatsForm* form = Forms().StatsForm;
    TWindowPlacement::Place(form, TPlacement::AboveTaskBar);
    form->show();
}

void TMainForm::Internettimecheck1Click() {
    Forms().TimeClient->show();
}

void TMainForm::CreateHTMLindexpage1Click() {
    HtmlIndexCommand().Run(App().Catalogue);
}

void TMainForm::Addcurrentcameratofavourites1Click() {
    TFavouritesMenu::ForMainForm().AddCurrent(
        description->Bytes(CameraRecord::kDescriptionCapacity));
}

void TMainForm::Managefavourites1Click() {
    TFavouritesMenu::ForMainForm().Manage(*Forms().FavManager);
}

void TMainForm::About1Click() {
    Forms().About->show();
}

void TMainForm::Button1Click() {
    // Maximized the first time (the window starts so); afterwards as the
    // user last left it.
    TThumbnailForm* grid = Forms().ThumbnailForm;
    grid->show();
    grid->raise();
    grid->activateWindow();
}

} // namespace lumisk
