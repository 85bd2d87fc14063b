#pragma once
// One camera's download by the rules of a View (camerafetch.h) without any
// window, run to its end on a session of its own: what the time-lapse grab
// of a command downloads through. The body goes to a work file of this
// process's own ("image.<pid>.grab.dat" in the data folder), so a View of the
// windows on the same folder is not disturbed; the preview is renamed into
// place whole.
//
// Run() blocks until the fetch ends, waking at least every WaitSliceMs to
// yield (ProcessPendingEvents) and to ask StopRequested; a stop abandons the
// fetch at once (outcome Aborted, no work file left). Afterwards the record's
// date is what a View leaves in it, and App()'s counters have grown as a
// View's grow. Nothing is saved. The constructor throws EConvertError for a
// proxy port that is no number; Run() throws nothing of the network.
#include "catalogue/settingsfile.h"
#include "retrieval/camerafetch.h"
#include "retrieval/httpsession.h"

#include <functional>

namespace lumisk {

struct CameraRecord;

class TCameraDownload {
  public:
    static constexpr int WaitSliceMs = 50;

    explicit TCameraDownload(const TSettingsValues& settings);

    TFetchResult Run(CameraRecord& camera);

    // Asked while the download waits: abandon it now?
    std::function<bool()> StopRequested;

  private:
    TSettingsValues settings_;
    THttpSession session_;
};

} // namespace lumisk
