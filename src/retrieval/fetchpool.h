#pragma once
// Many cameras' downloads at once on one HTTP session, each by the rules of
// a View (TCameraFetch): at most Jobs run at a time and at most PerHost of
// them to one host name and port; the others wait in the order they were
// added. A camera that never answers holds only its own place until its
// time-out passes.
//
// Each running fetch writes its own work file, "image.<pid>.<slot>.dat" in
// the work folder (slot: 0 .. Jobs - 1), removed whatever the outcome; the
// previews are renamed into place whole. A request that names a work file of
// its own keeps it.
//
// Single-threaded and without windows: the caller drives the pool with
// Step() or Run() and learns of progress and results through the observer,
// whose calls run inside Step and may call Add and RequestStop. After
// RequestStop the running fetches are abandoned at once and the waiting ones
// end without starting, all Aborted, with no work file left.
//
// The constructor throws EConvertError for a proxy port that is no number and
// EHttpError when libcurl cannot start. An exception of the observer leaves
// Step; the pool can then only be destroyed, which abandons what runs.
#include "retrieval/camerafetch.h"
#include "retrieval/httpsession.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumisk {

struct TFetchPoolSettings {
    int Jobs = 4;    // fetches at once (at least 1)
    int PerHost = 2; // of them to one host name and port (at least 1)
    bool ProxyEnabled = false;
    std::string ProxyServer;
    std::string ProxyPort = "80";
    std::string WorkFolder; // "" is the data folder
    // Each fetch sends its GET while a slow date check still waits
    // (TFetchRequest::EarlyDownload), so a dead camera costs one time-out.
    bool EarlyDownload = true;
    std::int64_t MaxBodyBytes = THttpSession::DefaultMaxBodyBytes;
};

class IFetchPoolObserver {
  public:
    virtual ~IFetchPoolObserver() = default;
    virtual void CameraStarted(int /*id*/) {}
    // Body bytes so far and the announced length (0: none).
    virtual void CameraProgress(int /*id*/, std::int64_t /*bytes*/, std::int64_t /*expected*/) {}
    virtual void CameraFinished(int /*id*/, const TFetchResult&) {}
};

class TFetchPool {
  public:
    explicit TFetchPool(const TFetchPoolSettings& settings, IFetchPoolObserver* observer = nullptr);
    ~TFetchPool();
    TFetchPool(const TFetchPool&) = delete;
    TFetchPool& operator=(const TFetchPool&) = delete;

    // Queues a camera; the id is its number in the order of adding, from 0.
    int Add(TFetchRequest request);
    // Starts what the limits allow, waits up to waitMs for the network and
    // moves every running fetch on. False once nothing runs or waits.
    bool Step(int waitMs = 50);
    // Steps until every camera has finished.
    void Run();
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

    int Count() const { return static_cast<int>(entries_.size()); }
    int Waiting() const { return static_cast<int>(queue_.size()); }
    int Running() const { return static_cast<int>(running_.size()); }
    int Finished() const { return finished_; }
    // The most fetches that ran at once, overall and to one host.
    int PeakRunning() const { return peakRunning_; }
    int PeakPerHost() const { return peakPerHost_; }

    const TFetchRequest& Request(int id) const;
    bool IsFinished(int id) const;
    // The outcome once the camera has finished.
    const TFetchResult& Result(int id) const;

    // "host:port" of an address, the host in lower case, the scheme's port
    // when it names none; the address itself when it cannot be read.
    static std::string HostKey(const std::string& url);

  private:
    // Passes one fetch's progress on with its id.
    struct TRelay : IFetchObserver {
        TFetchPool* pool = nullptr;
        int id = 0;
        void FetchWorkBegin(TCameraFetch&, std::int64_t countMax) override;
        void FetchWork(TCameraFetch& fetch, std::int64_t count) override;
    };
    struct TEntry {
        TFetchRequest request;
        std::string host;
        TRelay relay;
        std::unique_ptr<TCameraFetch> fetch;
        int slot = -1;
        bool finished = false;
        TFetchResult result;
    };

    void Launch();
    void Start(int id);
    void Finish(int id, const TFetchResult& result);
    void DrainQueue();
    std::string WorkFile(int slot) const;

    // Declared first: the fetches' transfers detach from it when they go.
    THttpSession session_;
    TFetchPoolSettings settings_;
    IFetchPoolObserver* observer_;
    std::deque<TEntry> entries_; // stable while the observer adds more
    std::deque<int> queue_;
    std::vector<int> running_;
    std::map<std::string, int> perHost_;
    std::vector<bool> slotUsed_;
    int finished_ = 0;
    int peakRunning_ = 0;
    int peakPerHost_ = 0;
    bool stopRequested_ = false;
};

} // namespace lumisk
