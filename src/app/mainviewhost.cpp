#include "app/mainviewhost.h"

#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "catalogue/settings.h"
#include "util/bytetext.h"
#include "widgets/forms.h"

namespace lumisk {

std::string TMainViewHost::ViewCaption() const {
    return DisplayToBytes(form_.viewbutton->text());
}

void TMainViewHost::SetViewCaption(const std::string& caption) {
    form_.viewbutton->setText(QString::fromStdString(caption));
}

void TMainViewHost::EnterBusyState() { form_.EnterBusyState(); }
void TMainViewHost::LeaveBusyState() { form_.LeaveBusyState(); }

void TMainViewHost::SetStatusText(const std::string& text) {
    form_.SetStatus(BytesToDisplay(text));
}

void TMainViewHost::SaveSettings() { form_.SaveSettings(); }
void TMainViewHost::SaveCatalogue() { form_.SaveCatalogue(); }

TViewSettings TMainViewHost::ViewSettings() const {
    TSettingsValues values = Forms().Settings->Values();
    return {values.ProxyEnabled, values.ProxyServer, values.ProxyPort, values.Timeout,
            values.DateSkip};
}

std::string TMainViewHost::UrlText() const {
    return form_.url->Bytes(std::string::npos);
}

std::string TMainViewHost::DescriptionText() const {
    return form_.description->Bytes(CameraRecord::kDescriptionCapacity);
}

void TMainViewHost::SetUrlText(const std::string& url) { form_.url->SetBytes(url); }

std::string TMainViewHost::DateText() const {
    return form_.DateEdit->Bytes(std::string::npos);
}

void TMainViewHost::SetDateText(const std::string& date) { form_.DateEdit->SetBytes(date); }

void TMainViewHost::StoreCurrentRecord() { form_.StoreCurrentRecord(); }
void TMainViewHost::ShowCurrentRecord() { form_.ShowCurrentRecord(); }
void TMainViewHost::ShowImageAge() { form_.ShowImageAge(); }
void TMainViewHost::RefreshStatistics() { form_.RefreshStatistics(); }

int TMainViewHost::EnsureDescriptionSelected() {
    QComboBox* combo = form_.description_combo;
    if (combo->currentIndex() < 0) {
        form_.RebuildDescriptionList(true);
        combo->setCurrentIndex(App().Catalogue.Current - 1);
    }
    return combo->currentIndex();
}

void TMainViewHost::BuildThumbnail(int position) { form_.BuildThumbnail(position); }
void TMainViewHost::PreviewImageClick() { form_.PreviewImageClick(); }

} // namespace lumisk
