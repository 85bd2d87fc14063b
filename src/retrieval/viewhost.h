#pragma once
// What the View action needs of the window it runs in. The main window is
// the one host; the action works on what the window shows (address,
// description, date) and drives its caption, status text and busy state.
#include <string>

namespace lumisk {

// The settings the View reads at the moment it needs them.
struct TViewSettings {
    bool ProxyEnabled = false;
    std::string ProxyServer;
    std::string ProxyPort;
    std::string Timeout;
    bool DateSkip = true;
};

class IViewHost {
public:
    virtual ~IViewHost() = default;

    virtual std::string ViewCaption() const = 0;
    virtual void SetViewCaption(const std::string& caption) = 0;
    virtual void EnterBusyState() = 0;
    virtual void LeaveBusyState() = 0;
    virtual void SetStatusText(const std::string& text) = 0;

    virtual void SaveSettings() = 0;
    virtual void SaveCatalogue() = 0;
    virtual TViewSettings ViewSettings() const = 0;

    // The fields of the shown camera.
    virtual std::string UrlText() const = 0;
    virtual std::string DescriptionText() const = 0;
    virtual void SetUrlText(const std::string& url) = 0;
    virtual std::string DateText() const = 0;
    virtual void SetDateText(const std::string& date) = 0;
    virtual void StoreCurrentRecord() = 0;
    virtual void ShowCurrentRecord() = 0;

    // Displays refreshed after a download.
    virtual void ShowImageAge() = 0;
    virtual void RefreshStatistics() = 0;
    // Refills the drop-down and selects the current camera when nothing is
    // selected; returns the selected position (-1 for none).
    virtual int EnsureDescriptionSelected() = 0;
    virtual void BuildThumbnail(int position) = 0;
    virtual void PreviewImageClick() = 0;
};

} // namespace lumisk
