#pragma once
// The View action for one camera of the catalogue without any window: runs
// the View pipeline (viewpipeline.h) with the camera's own fields as its
// host, so the rules are exactly a View's (HEAD, date check and skip, GET
// into the work file, detection, the preview kept under the same name), and
// tells which preview file the download wrote. Used where no main window
// exists (the commands).
//
// Run() makes the camera current in App().Catalogue and leaves its record
// updated as a View leaves it (address, date); the counters in App() grow as
// a View's do. Nothing is saved: the caller stores what it owns. The host
// has no busy state, no displays and no dialogs. Abort() may be called from
// a nested handler (ProcessPendingEvents) to end the running View at once.
// Errors a View lets out (a proxy port that is no number) reach the caller.
#include "retrieval/httpclient.h"
#include "retrieval/viewhost.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

enum class THeadlessViewOutcome { Image, Skipped, Failed, Aborted };

class THeadlessView : private IViewHost {
  public:
    explicit THeadlessView(TViewSettings settings) : settings_(std::move(settings)) {}

    // Views the camera in catalogue slot (1..Count).
    THeadlessViewOutcome Run(std::int32_t slot);
    void Abort();

    // Of the last run: the View's last status text ("Download failed", ...),
    // the preview file it wrote (for Image), the body bytes received.
    const std::string& StatusText() const { return status_; }
    const std::optional<std::string>& Preview() const { return preview_; }
    std::int32_t Bytes() const { return bytes_; }

    THttpClient& Http() { return http_; }

  private:
    std::string ViewCaption() const override { return caption_; }
    void SetViewCaption(const std::string& caption) override { caption_ = caption; }
    void EnterBusyState() override {}
    void LeaveBusyState() override {}
    void SetStatusText(const std::string& text) override;
    void SaveSettings() override {}
    void SaveCatalogue() override {}
    TViewSettings ViewSettings() const override { return settings_; }
    std::string UrlText() const override { return url_; }
    std::string DescriptionText() const override { return description_; }
    void SetUrlText(const std::string& url) override { url_ = url; }
    std::string DateText() const override { return date_; }
    void SetDateText(const std::string& date) override { date_ = date; }
    void StoreCurrentRecord() override;
    void ShowCurrentRecord() override;
    void ShowImageAge() override {}
    void RefreshStatistics() override {}
    int EnsureDescriptionSelected() override;
    void BuildThumbnail(int) override {}
    void PreviewImageClick() override {}

    TViewSettings settings_;
    THttpClient http_;
    bool running_ = false;
    std::string caption_ = "View";
    std::string url_, description_, date_, webPage_, minutes_;
    std::string status_;
    std::optional<std::string> preview_;
    std::int32_t bytes_ = 0;
};

} // namespace lumisk
