#pragma once
// The refresh window's way to download: one camera at a time through the
// main window, exactly as a click on its View button, walking with its First
// and Next buttons on whatever camera is current, and hiding the image
// viewer the View opens. The outcome is read from the View's flags; the main
// window does not say why a download failed, so no reason is given.
//
// Holds no state of its own; the main window must exist while it is used.
#include "tools/refreshengine.h"

namespace lumisk {

class IMainWindow;

class TMainWindowDownloader : public IRefreshDownloader {
  public:
    explicit TMainWindowDownloader(IMainWindow& main) : main_(main) {}

    std::int32_t Cameras() const override;
    std::vector<std::string> Descriptions() const override;
    void First() override;
    void Next() override;
    std::string Current() const override;
    // done runs before this returns.
    void Download(TDone done) override;
    void Finish() override {}
    void Abort() override;

  private:
    IMainWindow& main_;
};

} // namespace lumisk
