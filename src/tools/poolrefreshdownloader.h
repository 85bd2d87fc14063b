#pragma once
// The command line's way to download for the batch refresh: every camera of
// a catalogue, many at once on a TFetchPool (at most Jobs at a time and
// PerHost to one host name and port), each by the rules of a View with the
// settings given. The walk only queues: Download() returns at once and the
// outcomes come while later cameras are queued and in Finish().
//
// It remembers what the windows would have stored after each camera's View:
// the date its record keeps (Dates(), only those that changed) and the bytes
// and images the statistics count. Aborted fetches count nothing.
//
// poll runs between steps of the network (at least every 50 ms while
// downloads run) so that its owner can look at a stop signal and stop the
// engine. The constructor throws EConvertError for a proxy port that is no
// number. Destroying it abandons the fetches in progress, leaving no work file.
#include "catalogue/catalogueedit.h"
#include "catalogue/settingsfile.h"
#include "retrieval/fetchpool.h"
#include "tools/refreshengine.h"

#include <functional>
#include <memory>
#include <vector>

namespace lumisk {

class TPoolRefreshDownloader : public IRefreshDownloader, private IFetchPoolObserver {
  public:
    TPoolRefreshDownloader(const TCatalogue& catalogue, const TSettingsValues& settings, int jobs,
                           int perHost, std::function<void()> poll = {});

    std::int32_t Cameras() const override;
    std::vector<std::string> Descriptions() const override;
    void First() override { current_ = 0; }
    void Next() override;
    std::string Current() const override;
    void Download(TDone done) override;
    void Finish() override;
    void Abort() override { pool_->RequestStop(); }

    // The dates the downloaded cameras' records keep, where they changed.
    const std::vector<TCameraDate>& Dates() const { return dates_; }
    std::int64_t Bytes() const { return bytes_; }
    std::int64_t Images() const { return images_; }

  private:
    struct TCamera {
        CameraRecord Record;
        int Occurrence = 0; // which camera of its description, from 0
    };
    void CameraFinished(int id, const TFetchResult& result) override;

    std::vector<TCamera> cameras_;
    TSettingsValues settings_;
    std::function<void()> poll_;
    std::unique_ptr<TFetchPool> pool_;
    std::size_t current_ = 0;
    std::vector<std::pair<std::size_t, TDone>> queued_; // by pool id: camera, done
    std::vector<TCameraDate> dates_;
    std::int64_t bytes_ = 0;
    std::int64_t images_ = 0;
};

} // namespace lumisk
