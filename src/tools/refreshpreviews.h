#pragma once
// The batch preview refresh window: a view of TRefreshEngine, which walks
// through every camera of the catalogue and runs the main window's View
// action (TMainWindowDownloader) for each one the chosen update style
// selects, after clearing the previews directory of old files. Cameras whose
// download failed are listed; a click on one makes it current in the main
// window.
//
// States, told by Button1's caption: idle ("Update"), running ("Stop": the
// style and the list are disabled) and stopping ("Stopping": Stop was asked
// for, the camera in progress is being finished). Every way out of a run,
// an error included, returns to idle; the error itself reaches the caller
// (the connected handlers show it in the general error report). The run
// lives inside Button1Click and processes pending events, so Stop, hiding
// the window and clicks elsewhere run nested inside it.
//
// The window is created once and lives as long as the program; it owns its
// controls. The style is kept for the life of the program; counters, status
// and failed list are reset by each showing and each run.
#include "tools/refreshengine.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <cstdint>
#include <string>

namespace lumisk {

class TRefreshPreviews : public QWidget, private IRefreshObserver {
    Q_OBJECT
  public:
    explicit TRefreshPreviews(QWidget* parent = nullptr);

    // Which cameras a run downloads, in the order of updatestyle's items.
    using TUpdateStyle = TRefreshStyle;
    // A preview whose AverageBrightness is below this is dark.
    static constexpr double kDarkThreshold = TRefreshEngine::kDarkThreshold;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLineEdit* Edit1; // cameras
    QLineEdit* Edit2; // updated
    QLineEdit* Edit3; // old previews removed
    QLineEdit* Edit4; // failed
    QLineEdit* Edit5; // skipped
    QComboBox* updatestyle;
    QListWidget* ListBox1; // descriptions of the cameras that failed
    QPushButton* Button1;
    QStatusBar* stats;

    // Update while the caption reads "Update" (a whole run, returning when
    // it ends), otherwise Stop.
    void Button1Click();
    // Makes the selected failed camera current in the main window.
    void ListBox1Click();
    void FormCreate();
    void FormShow();
    // Stops a running run.
    void FormHide();

    TUpdateStyle Style() const { return static_cast<TUpdateStyle>(updatestyle->currentIndex()); }
    bool StopRequested() const { return engine_.StopRequested(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void Update();
    void Stop();
    // Stop and hiding share this; only Stop enables the style and the list.
    void RequestStop(bool enableControls);
    void SetIdle();
    void SetStatus(const QString& text) { stats->showMessage(text); }

    void RefreshStarted(const TRefreshCounts& counts) override;
    void RefreshCounts(const TRefreshCounts& counts) override;
    void RefreshStatus(const std::string& text) override;
    void RefreshFailed(const std::string& description, const std::string& reason) override;
    void RefreshFinished(const TRefreshSummary& summary) override;

    TRefreshEngine engine_{*this};
};

} // namespace lumisk
