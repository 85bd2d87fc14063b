#pragma once
// The time-lapse window: downloads the main window's current camera again and
// again through the View action and keeps every picture that differs from the
// previous kept one as a numbered frame "Frames/FRA#####.BMP"; two downloads
// start at least GrabSpacingMs apart, whatever the delay. The grab runs
// inside the Start click; Stop (or hiding the window) only sets flags and
// disconnects, and the loop ends at its next check.
#include "tools/timelapsegrab.h"

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

class TPreviewWatch;

class TTimeLapseForm : public QWidget {
    Q_OBJECT
  public:
    explicit TTimeLapseForm(QWidget* parent = nullptr);

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLineEdit *FrameDelay, *Edit1, *Edit2, *Edit3, *Edit4;
    QCheckBox* ShowAVIBuilder;
    QPushButton* Button1;
    QStatusBar* Stats;

    // Start while the caption reads "Start", otherwise Stop.
    void Button1Click();
    void FormShow();
    void FormHide();

    std::int32_t ImagesDownloaded = 0;
    std::int32_t UniqueFrames = 0;
    std::int32_t SkippedDownloads = 0;
    std::string PreviousFrameFile;
    bool GrabStopRequested = false;
    // Least time between the starts of two downloads, across grabs too.
    std::int64_t GrabSpacingMs = TTimeLapseGrab::MinimumGrabSpacingMs;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void Start();
    void Stop();
    void GrabLoop();
    void KeepFrame(const TPreviewWatch& previews);
    void Wait(std::int64_t milliseconds);
    void RefreshDiskLabels();
    void HandOver();
    void SetStatus(const QString& text);

    std::optional<std::int64_t> lastGrabStart_; // monotonic milliseconds
};

} // namespace lumisk
