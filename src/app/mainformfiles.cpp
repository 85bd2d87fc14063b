// The main window's files: the catalogue and the settings, loaded at start
// and saved (merging what another program wrote meanwhile) whenever the
// window's state is to be kept.
#include "app/mainform.h"

#include "catalogue/appstate.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/settings.h"
#include "catalogue/settingsfile.h"
#include "tools/statsform.h"
#include "util/bytetext.h"
#include "util/events.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/services.h"
#include "util/userdialogs.h"
#include "widgets/forms.h"

namespace lumisk {

namespace {

IUserDialogs& Dialogs() {
    return *Services().Dialogs;
}

} // namespace

// ---- Files -----------------------------------------------------------------

void TMainForm::LoadCatalogue() {
    TCatalogue& catalogue = App().Catalogue;
    const std::string path = CatalogueFileName();
    App().CatalogueOnDisk = {};
    auto missing = [&] {
        catalogue.Clear();
        App().CatalogueOnDisk.Record(std::nullopt);
        Dialogs().Error("The camera catalogue file was not found:\r" + BytesToDisplay(path) +
                        "\rThe catalogue starts empty; click Add to add a camera.");
    };
    // Anything in the file's place (a pipe, a directory) is not missing: the
    // load reports that it cannot be opened.
    if (!PathExists(path)) return missing();
    SetStatus("Loading database");
    ProcessPendingEvents();
    TCatalogueLoadResult result = LoadCatalogueFile(path, catalogue, App().CatalogueOnDisk);
    if (result.FileMissing) return missing();
    if (result.EndedInsideRecord)
        Dialogs().Error(QString("The camera catalogue file %1 ended inside a camera record.\r"
                                "The %2 camera(s) before it were loaded; the last %3 line(s) "
                                "were ignored.")
                            .arg(BytesToDisplay(path))
                            .arg(catalogue.Count)
                            .arg(result.LeftoverLines));
    SetStatus("Loaded database");
    ProcessPendingEvents();
}

void TMainForm::SaveCatalogue() {
    SetStatus("Saving database");
    ProcessPendingEvents();
    TAppState& app = App();
    const CameraRecord shown = app.Catalogue.CurrentRecord();
    if (SaveCatalogueMerging(CatalogueFileName(), app.Catalogue, app.CatalogueOnDisk))
        ShowMergedCatalogue(shown);
    SetStatus("Saved database");
    ProcessPendingEvents();
}

void TMainForm::ShowMergedCatalogue(const CameraRecord& shownBefore) {
    // Another program changed the catalogue (a command's dates, a camera it
    // added or removed), and the save took that in: the counter, the
    // drop-down's entries and the enabling follow the new list.
    TCatalogue& catalogue = App().Catalogue;
    imagestats->setText(
        QString("Camera %1 of %2 total cameras.").arg(catalogue.Current).arg(catalogue.Count));
    if (catalogue.Current >= 1) {
        // A field the user has not changed since it was stored shows what
        // the other program wrote (a newer date, say); a field being edited
        // keeps the user's text.
        const CameraRecord& now = catalogue.CurrentRecord();
        const struct {
            TByteEdit* field;
            const std::string& before;
            const std::string& after;
            std::size_t capacity;
        } fields[] = {
            {url, shownBefore.ImageUrl, now.ImageUrl, CameraRecord::kImageUrlCapacity},
            {website, shownBefore.WebPage, now.WebPage, CameraRecord::kWebPageCapacity},
            {updatetime, shownBefore.UpdateMinutes, now.UpdateMinutes,
             CameraRecord::kUpdateMinutesCapacity},
            {DateEdit, shownBefore.LastModified, now.LastModified,
             CameraRecord::kLastModifiedCapacity},
        };
        bool dateShown = false;
        for (const auto& f : fields)
            if (f.before != f.after && f.field->Bytes(f.capacity) == f.before) {
                f.field->SetBytes(f.after);
                dateShown = dateShown || f.field == DateEdit;
            }
        if (dateShown) ShowImageAge();
    }
    RebuildDescriptionList();
    SelectDescription(description->text());
    if (viewbutton->text() != "Abort") ApplyNavigationEnabling();
}

void TMainForm::LoadSettings() {
    SetStatus("Loading INI");
    ProcessPendingEvents();
    TSettings* settings = Forms().Settings;
    // Everything read is applied before the version flag is written: a flag
    // that cannot be written must not cost the user the settings, and a
    // load that ends early keeps the next start a first run.
    TSettingsLoadResult result =
        ReadSettingsFile(SettingsFileName(), settings->Values(), VersionLine);
    settings->SetValues(result.Values);
    App().TotalBytes = result.Values.TotalBytes;
    App().TotalImages = result.Values.TotalImages;
    App().CountersOnDisk.reset();
    if (!result.Unreadable)
        App().CountersOnDisk = TTotalCounters{result.Values.TotalBytes, result.Values.TotalImages};
    QWidget* statsForm = Forms().StatsForm;
    if (!result.Values.StatsVisible && statsForm) statsForm->hide();
    const int position = result.Values.CurrentCamera;
    description_combo->setCurrentIndex(
        position >= 0 && position < description_combo->count() ? position : -1);
    description_comboClick();
    if (result.Values.StatsVisible) Viewstatistics1Click();
    App().FirstRun = result.FirstRun;
    if (result.Unreadable) throw EFOpenError(SettingsFileName());
    WriteVersionFlag(SettingsFileName(), VersionLine);
    SetStatus("Loaded INI");
    ProcessPendingEvents();
}

void TMainForm::SaveSettings() {
    SetStatus("Saving INI");
    ProcessPendingEvents();
    TSettingsValues values = Forms().Settings->Values();
    values.TotalBytes = App().TotalBytes;
    values.TotalImages = App().TotalImages;
    QWidget* statsForm = Forms().StatsForm;
    values.StatsVisible = statsForm && statsForm->isVisible();
    values.CurrentCamera = description_combo->currentIndex();
    // The totals written hold a command's downloads too, and so does the
    // statistics window from now on.
    SaveSettingsMerging(SettingsFileName(), values, App().CountersOnDisk);
    if (values.TotalBytes != App().TotalBytes || values.TotalImages != App().TotalImages) {
        App().TotalBytes = values.TotalBytes;
        App().TotalImages = values.TotalImages;
        RefreshStatistics();
    }
    SetStatus("Saved INI");
    ProcessPendingEvents();
}

} // namespace lumisk
