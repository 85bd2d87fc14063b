#include "tools/cameradownload.h"

#include "catalogue/appstate.h"
#include "catalogue/camerarecord.h"
#include "imaging/previewpaths.h"
#include "util/datadirectory.h"
#include "util/events.h"
#include "util/numbertext.h"

#include <sys/stat.h>
#include <unistd.h>

namespace lumisk {

TCameraDownload::TCameraDownload(const TSettingsValues& settings) : settings_(settings) {
    if (settings_.ProxyEnabled)
        session_.SetProxy(settings_.ProxyServer, StrToInt(settings_.ProxyPort));
}

TFetchResult TCameraDownload::Run(CameraRecord& camera) {
    // The windows make the previews directory at start-up; here is the
    // first moment it is needed.
    ::mkdir(PreviewsDirectory().c_str(), 0777);
    TFetchRequest request = CameraRequest(camera, settings_);
    request.WorkFile = DataPath("image." + std::to_string(::getpid()) + ".grab.dat");
    TCameraFetch fetch(session_, request);
    while (!fetch.Advance()) {
        if (StopRequested && StopRequested()) fetch.RequestStop();
        session_.Wait(WaitSliceMs);
        session_.Perform();
        ProcessPendingEvents();
    }
    const TFetchResult& result = fetch.Result();
    camera.LastModified = result.Date;
    TAppState& app = App();
    const std::int64_t bytes = result.CountedBytes();
    app.TotalBytes = SaturatingAdd(app.TotalBytes, bytes);
    app.SessionBytes = SaturatingAdd(app.SessionBytes, bytes);
    if (result.Outcome == TFetchOutcome::Updated) {
        app.TotalImages = SaturatingAdd(app.TotalImages, 1);
        app.SessionImages = SaturatingAdd(app.SessionImages, 1);
    }
    return result;
}

} // namespace lumisk
