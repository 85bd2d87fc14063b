#pragma once
// The main window: shows one camera of the catalogue in editable fields,
// steps through the catalogue, adds, deletes and sorts cameras, and opens the
// tool windows. Showing it the first time runs the start-up sequence;
// closing it runs the shutdown sequence. The catalogue and the counters live
// in App(), not here; the fields are the working copy of the current camera.
#include "app/mainformcontrols.h"
#include "catalogue/camerarecord.h"
#include "util/progressthrottle.h"
#include "widgets/mainwindow.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <random>

namespace lumisk {

class THttpClient;
class TMainViewHost;
class TViewPipeline;
enum class TWorkMode;

class TMainForm : public QMainWindow, public TMainFormControls, public IMainWindow {
    Q_OBJECT
  public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The one HTTP client of the program; every download goes through it.
    std::unique_ptr<THttpClient> HTTP;

    // The one status text at the bottom of the window. A download's progress
    // text held back by the throttle is drawn first, so that its last one is
    // always seen.
    void SetStatus(const QString& text);
    QString Status() const;

    // Copying between the fields and slot Catalogue.Current.
    void StoreCurrentRecord();
    void ShowCurrentRecord() override;
    void EnterBusyState();
    // The preview panel and the age of the current image.
    void ShowPreview();
    void ShowImageAge();
    // The statistics window's texts, after every download that counts bytes.
    void RefreshStatistics();
    // The thumbnail of the camera at a drop-down position, after a download.
    void BuildThumbnail(int position);
    // Refills the drop-down from the catalogue (only when it changed, unless forced).
    void RebuildDescriptionList(bool force = false);
    void LeaveBusyState();

    // File steps with their status texts; errors reach the caller.
    void LoadCatalogue();
    void SaveCatalogue();
    void LoadSettings();
    void SaveSettings();

    // Handlers.
    void FormShow();
    void FormClose();
    void firstbuttonClick() override;
    void backbuttonClick() override;
    void nextbuttonClick() override;
    void lastbuttonClick();
    void description_comboClick() override;
    void addbuttonClick();
    void delbuttonClick();
    void sortbuttonClick();
    void randombuttonClick();
    void OpenSiteClick();
    void PreviewImageClick();
    void viewbuttonClick() override;
    void HTTPConnected();
    void HTTPDisconnected();
    void HTTPWorkBegin(TWorkMode mode, std::int64_t countMax);
    void HTTPWork(TWorkMode mode, std::int64_t count);
    void Timer1Timer();
    void Button1Click();
    void Settings2Click();
    void Createtimelapseframes1Click();
    void BuildAVImovie1Click();
    void Refreshallpreviewimages1Click();
    void Viewstatistics1Click();
    void Internettimecheck1Click();
    void CreateHTMLindexpage1Click();
    void Addcurrentcameratofavourites1Click();
    void Managefavourites1Click();
    void About1Click();
    void Keyboardshortcuts1Click();
    // Every key of the program, as the Help menu lists them.
    static QString KeyboardShortcutsText();

    // The rest of what other windows ask of the main window.
    bool BackEnabled() const override { return backbutton->isEnabled(); }
    bool NextEnabled() const override { return nextbutton->isEnabled(); }
    QComboBox* DescriptionList() const override { return description_combo; }
    QMenu* FavouritesMenu() const override { return Favourites1; }
    std::string DescriptionBytes() const override { return description->Bytes(std::string::npos); }
    QString DescriptionText() const override { return description->text(); }
    QString UrlText() const override { return url->text(); }
    void AbortView() override;
    void Activate() override { activateWindow(); }

    // Selects the first drop-down entry equal to text (case ignored), or none.
    void SelectDescription(const QString& text);
    // How many times the View action was started (diagnostics and tests).
    int ViewStarts() const { return viewStarts_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ConnectHandlers();
    void BuildKeys();
    void ApplyNavigationEnabling();
    void ClearFields();
    void ShowMergedCatalogue(const CameraRecord& shownBefore);
    void DrawHeldProgress(bool processEvents);

    bool started_ = false;
    std::uint64_t listVersion_ = ~std::uint64_t{0};
    std::vector<QString> foldedEntries_;
    std::mt19937 random_;
    int viewStarts_ = 0;
    std::unique_ptr<TMainViewHost> viewHost_;
    std::unique_ptr<TViewPipeline> pipeline_;
    // A download's progress text is redrawn at most every 50 ms.
    TProgressThrottle progress_{50};
    QTimer* progressTimer_ = nullptr;
};

} // namespace lumisk
