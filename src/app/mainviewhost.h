#pragma once
// The main window as the View action's host: maps the action's needs onto
// the window's fields, caption, status bar and displays.
#include "retrieval/viewhost.h"

namespace lumisk {

class TMainForm;

class TMainViewHost : public IViewHost {
public:
    explicit TMainViewHost(TMainForm& form) : form_(form) {}

    std::string ViewCaption() const override;
    void SetViewCaption(const std::string& caption) override;
    void EnterBusyState() override;
    void LeaveBusyState() override;
    void SetStatusText(const std::string& text) override;
    void SaveSettings() override;
    void SaveCatalogue() override;
    TViewSettings ViewSettings() const override;
    std::string UrlText() const override;
    std::string DescriptionText() const override;
    void SetUrlText(const std::string& url) override;
    std::string DateText() const override;
    void SetDateText(const std::string& date) override;
    void StoreCurrentRecord() override;
    void ShowCurrentRecord() override;
    void ShowImageAge() override;
    void RefreshStatistics() override;
    int EnsureDescriptionSelected() override;
    void BuildThumbnail(int position) override;
    void PreviewImageClick() override;

private:
    TMainForm& form_;
};

} // namespace lumisk
