#include "app/createforms.h"

#include "app/about.h"
#include "app/mainform.h"
#include "catalogue/favmanager.h"
#include "catalogue/settings.h"
#include "tools/avibuildform.h"
#include "tools/refreshpreviews.h"
#include "tools/statsform.h"
#include "tools/timeclient.h"
#include "tools/timelapseform.h"
#include "viewers/thumbnailform.h"
#include "viewers/viewform.h"
#include "widgets/forms.h"

namespace lumisk {

namespace {

TMainForm* mainForm = nullptr;

} // namespace

void CreateForms() {
    TForms& f = Forms();
    mainForm = new TMainForm();
    f.MainForm = mainForm;
    f.ViewForm = new TViewForm();
    f.TimeLapseForm = new TTimeLapseForm();
    f.RefreshPreviews = new TRefreshPreviews();
    f.AVIBuildForm = new TAVIBuildForm();
    f.About = new TAbout();
    f.Settings = new TSettings();
    f.FavManager = new TFavManager();
    f.StatsForm = new TStatsForm();
    f.ThumbnailForm = new TThumbnailForm();
    f.TimeClient = new TTimeClient();
}

void DestroyForms() {
    TForms& f = Forms();
    // Reverse order of creation; the main window last, as others refer to it.
    delete f.TimeClient;
    delete f.ThumbnailForm;
    delete f.StatsForm;
    delete f.FavManager;
    delete f.Settings;
    delete f.About;
    delete f.AVIBuildForm;
    delete f.RefreshPreviews;
    delete f.TimeLapseForm;
    delete f.ViewForm;
    delete mainForm;
    mainForm = nullptr;
    f = TForms{};
}

TMainForm* TheMainForm() {
    return mainForm;
}

} // namespace lumisk
