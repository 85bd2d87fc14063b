#include "tools/mainwindowdownloader.h"

#include "catalogue/appstate.h"
#include "viewers/viewform.h"
#include "widgets/forms.h"
#include "widgets/mainwindow.h"

#include <QComboBox>

namespace lumisk {

std::int32_t TMainWindowDownloader::Cameras() const {
    return main_.DescriptionList()->count();
}

std::vector<std::string> TMainWindowDownloader::Descriptions() const {
    const TCatalogue& catalogue = App().Catalogue;
    std::vector<std::string> descriptions;
    for (std::int32_t i = 1; i <= catalogue.Count; ++i)
        descriptions.push_back(catalogue.Records[static_cast<std::size_t>(i)].Description);
    return descriptions;
}

void TMainWindowDownloader::First() {
    if (App().Catalogue.Count > 0) main_.firstbuttonClick();
}

void TMainWindowDownloader::Next() {
    if (main_.NextEnabled()) main_.nextbuttonClick();
}

std::string TMainWindowDownloader::Current() const {
    return main_.DescriptionBytes();
}

void TMainWindowDownloader::Download(TDone done) {
    main_.viewbuttonClick();
    Forms().ViewForm->hide();
    const TAppState& app = App();
    TRefreshOutcome outcome;
    using TKind = TRefreshOutcome::TKind;
    outcome.Kind = app.DownloadFailed    ? TKind::Failed
                   : app.DownloadSkipped ? TKind::Skipped
                                         : TKind::Updated;
    // The camera shown now, which a click elsewhere may have changed.
    outcome.Description = main_.DescriptionBytes();
    done(outcome);
}

void TMainWindowDownloader::Abort() {
    main_.AbortView();
}

} // namespace lumisk
