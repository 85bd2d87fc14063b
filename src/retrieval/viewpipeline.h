#pragma once
// The View action: fetches the current camera's image, checks it and keeps
// it as the camera's preview. Every download of the program runs through
// Run(), exactly as a click on the View button. While a View runs (the
// caption reads "Abort") a further Run() aborts it instead.
//
// The download itself is a TCameraFetch run on the HTTP client's session
// while the client waits for it (pending events processed); this class turns
// its steps and outcome into the host's caption, status, fields and displays.
//
// Outcome: App().DownloadFailed, DownloadSkipped and AbortRequested, the
// host's status text and the files left in the data directory. Errors that
// are not outcomes (a proxy port that is not a number, a failed settings or
// catalogue save) leave the host idle again and reach the caller.
#include "catalogue/camerarecord.h"
#include "retrieval/camerafetch.h"
#include "retrieval/viewhost.h"

#include <cstdint>
#include <string>

namespace lumisk {

class THttpClient;

class TViewPipeline : private IFetchObserver {
  public:
    TViewPipeline(IViewHost& host, THttpClient& http) : host_(host), http_(http) {}

    void Run();

    // The address as the View fetches it (NormaliseCameraUrl).
    static std::string NormaliseUrl(const std::string& text);

  private:
    void RunView();
    // The record of the camera the View started with, or nullptr when that
    // slot no longer exists.
    CameraRecord* OwnRecord() const;
    void Abort();
    void Finish(const TFetchResult& result);
    void Failed(const std::string& status);
    void RestoreDate();
    void StoreDate(const std::string& date);
    void AddBytes();

    void FetchStep(TCameraFetch& fetch, TFetchStep step) override;
    void FetchDate(TCameraFetch& fetch, const std::string& date, TDateSource source) override;
    void FetchType(TCameraFetch& fetch, const std::string& type) override;
    void FetchWorkBegin(TCameraFetch& fetch, std::int64_t countMax) override;
    void FetchWork(TCameraFetch& fetch, std::int64_t count) override;

    IViewHost& host_;
    bool running_ = false;
    THttpClient& http_;
    // The camera the View started with; results go only into its record.
    int slot_ = 0;
    std::string url_;
    std::string description_;
    std::string previousDate_;
    std::int64_t startMs_ = 0;
};

} // namespace lumisk
