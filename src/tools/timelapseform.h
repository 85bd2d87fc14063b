#pragma once
// The time-lapse window: a view of the grab engine (grabengine.h), which
// downloads the main window's current camera again and again through the View
// action and keeps every picture that differs from the previous kept one as a
// numbered frame "Frames/FRA#####.BMP"; two downloads start at least
// GrabSpacingMs apart, whatever the delay. The grab runs inside the Start
// click; Stop (or hiding the window) only asks the engine to stop and ends
// the View in progress, and the grab ends at its next check. The counters
// mirror the engine's as it reports them. A column beside the designed
// controls adds the delay's seconds, the hours to grab in (local time) and
// the date and time stamp; like the delay they are read while the grab runs.
#include "tools/grabengine.h"
#include "tools/previewwatch.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

class TTimeLapseForm : public QWidget, private IGrabHost {
    Q_OBJECT
  public:
    explicit TTimeLapseForm(QWidget* parent = nullptr);

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLineEdit *FrameDelay, *Edit1, *Edit2, *Edit3, *Edit4;
    QCheckBox* ShowAVIBuilder;
    QLabel *SecondsLabel, *SpacingHint, *CaptureToLabel, *CaptureHint;
    QLineEdit *FrameDelaySeconds, *CaptureFrom, *CaptureTo;
    QCheckBox *CaptureHours, *StampTime;
    QPushButton* Button1;
    QStatusBar* Stats;

    // Start while the caption reads "Start", otherwise Stop.
    void Button1Click();
    void FormShow();
    void FormHide();

    std::int32_t ImagesDownloaded = 0;
    std::int32_t UniqueFrames = 0;
    std::int32_t SkippedDownloads = 0;
    // Least time between the starts of two downloads, across grabs too.
    std::int64_t GrabSpacingMs = TGrabEngine::MinimumSpacingMs;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void Start();
    void Stop();
    void RefreshDiskLabels();
    void HandOver();
    void SetStatus(const QString& text);

    // The engine's host.
    bool DeletePreviousFrames(std::size_t count) override;
    void PreviousFramesDeleted(std::size_t count) override;
    std::optional<std::int64_t> DelayMs() override;
    std::optional<std::int32_t> MaximumFrames() override;
    TGrabDownload Download() override;
    QImage DownloadedPicture() override;
    void Pause(std::int64_t milliseconds) override;
    std::optional<TCaptureWindow> CaptureWindow() override;
    bool StampFrames() override;
    void Status(const std::string& text) override;
    void DiskFigures(const std::string& used, const std::string& remaining) override;
    void SkippedCounted(std::int32_t skipped) override;
    void FrameKept(std::int32_t unique, const std::string& path) override;
    void ImageCounted(std::int32_t images) override;

    TGrabEngine engine_{*this};
    // The previews before the running download, to tell which one it wrote.
    std::optional<TPreviewWatch> previews_;
};

} // namespace lumisk
