#include "app/mainform.h"

#include "app/about.h"
#include "app/mainviewhost.h"
#include "app/nopreviewpicture.h"
#include "catalogue/appstate.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/favouritesfile.h"
#include "catalogue/favouritesmenu.h"
#include "catalogue/settings.h"
#include "catalogue/settingsfile.h"
#include "imaging/imagefile.h"
#include "imaging/previewfit.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpclient.h"
#include "retrieval/imageage.h"
#include "retrieval/viewpipeline.h"
#include "tools/avibuildform.h"
#include "tools/refreshpreviews.h"
#include "tools/statsform.h"
#include "tools/timeclient.h"
#include "tools/timelapseform.h"
#include "util/bytetext.h"
#include "util/datadirectory.h"
#include "util/errorreport.h"
#include "util/events.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/services.h"
#include "util/shellopener.h"
#include "util/textutils.h"
#include "util/userdialogs.h"
#include "viewers/thumbnailform.h"
#include "viewers/viewform.h"
#include "widgets/designfont.h"
#include "widgets/forms.h"
#include "widgets/windowplacement.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <chrono>
#include <limits>

namespace lumisk {

namespace {

constexpr int kClientWidth = 401;
constexpr int kClientHeight = 333;

const char* const kQuitWithoutSaving = "Lumisk could not save everything before closing.\r"
                                       "Quit without saving? Changes that were not saved "
                                       "will be lost.";

IUserDialogs& Dialogs() {
    return *Services().Dialogs;
}

// Saves killed before their rename (a crash, kill -9, power loss) leave their
// temporary files behind: in the data folder, among the previews, and beside
// the file a data file's link leads to.
void RemoveSaveLeftoversAtStart() {
    RemoveSaveLeftovers(DataDirectory());
    RemoveSaveLeftovers(DataPath("Previews/"));
    for (const std::string& file : {CatalogueFileName(), SettingsFileName(), FavouritesFileName()})
        RemoveSaveLeftovers(file);
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("TMainForm");
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(DesignFont());
    random_.seed(0);
    BuildControls(this);
    BuildMenu(this);
    ConnectHandlers();
    BuildKeys();
    HTTP = std::make_unique<THttpClient>();
    HTTP->OnConnected = [this] { HTTPConnected(); };
    HTTP->OnDisconnected = [this] { HTTPDisconnected(); };
    HTTP->OnWorkBegin = [this](TWorkMode mode, std::int64_t max) { HTTPWorkBegin(mode, max); };
    HTTP->OnWork = [this](TWorkMode mode, std::int64_t count) { HTTPWork(mode, count); };
    viewHost_ = std::make_unique<TMainViewHost>(*this);
    pipeline_ = std::make_unique<TViewPipeline>(*viewHost_, *HTTP);
    PreviewImage->installEventFilter(this);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

TMainForm::~TMainForm() = default;

void TMainForm::ConnectHandlers() {
    auto on = [this](QPushButton* b, void (TMainForm::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { RunHandler([&] { (this->*handler)(); }); });
    };
    on(firstbutton, &TMainForm::firstbuttonClick);
    on(backbutton, &TMainForm::backbuttonClick);
    on(nextbutton, &TMainForm::nextbuttonClick);
    on(lastbutton, &TMainForm::lastbuttonClick);
    on(addbutton, &TMainForm::addbuttonClick);
    on(delbutton, &TMainForm::delbuttonClick);
    on(sortbutton, &TMainForm::sortbuttonClick);
    on(viewbutton, &TMainForm::viewbuttonClick);
    on(RandomButton, &TMainForm::randombuttonClick);
    on(OpenSite, &TMainForm::OpenSiteClick);
    on(Button1, &TMainForm::Button1Click);
    connect(description_combo, &QComboBox::activated, this,
            [this](int) { RunHandler([this] { description_comboClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { RunHandler([this] { Timer1Timer(); }); });
    auto menu = [this](QAction* a, void (TMainForm::*handler)()) {
        connect(a, &QAction::triggered, this,
                [this, handler] { RunHandler([&] { (this->*handler)(); }); });
    };
    menu(Settings2, &TMainForm::Settings2Click);
    menu(Addcurrentcameratofavourites1, &TMainForm::Addcurrentcameratofavourites1Click);
    menu(Managefavourites1, &TMainForm::Managefavourites1Click);
    menu(Createtimelapseframes1, &TMainForm::Createtimelapseframes1Click);
    menu(BuildAVImovie1, &TMainForm::BuildAVImovie1Click);
    menu(CreateHTMLindexpage1, &TMainForm::CreateHTMLindexpage1Click);
    menu(Internettimecheck1, &TMainForm::Internettimecheck1Click);
    menu(Refreshallpreviewimages1, &TMainForm::Refreshallpreviewimages1Click);
    menu(Viewstatistics1, &TMainForm::Viewstatistics1Click);
    menu(About1, &TMainForm::About1Click);
    menu(Keyboardshortcuts1, &TMainForm::Keyboardshortcuts1Click);
}

QString TMainForm::Status() const {
    return stats->currentMessage();
}

// ---- The shown camera ------------------------------------------------------

void TMainForm::StoreCurrentRecord() {
    TCatalogue& catalogue = App().Catalogue;
    CameraRecord& record = catalogue.CurrentRecord();
    std::string newDescription = description->Bytes(CameraRecord::kDescriptionCapacity);
    if (newDescription != record.Description) catalogue.TouchDescriptions();
    record.SetFields(newDescription, url->Bytes(CameraRecord::kImageUrlCapacity),
                     website->Bytes(CameraRecord::kWebPageCapacity),
                     updatetime->Bytes(CameraRecord::kUpdateMinutesCapacity),
                     DateEdit->Bytes(CameraRecord::kLastModifiedCapacity));
}

void TMainForm::ShowCurrentRecord() {
    TCatalogue& catalogue = App().Catalogue;
    imagestats->setText(
        QString("Camera %1 of %2 total cameras.").arg(catalogue.Current).arg(catalogue.Count));
    if (catalogue.Count == 0) {
        description_combo->clear();
        foldedEntries_.clear();
        listVersion_ = catalogue.DescriptionsVersion();
        for (QPushButton* b : {firstbutton, backbutton, nextbutton, lastbutton, delbutton})
            b->setEnabled(false);
        return;
    }
    const CameraRecord& record = catalogue.CurrentRecord();
    url->SetBytes(record.ImageUrl);
    description->SetBytes(record.Description);
    website->SetBytes(record.WebPage);
    updatetime->SetBytes(record.UpdateMinutes);
    DateEdit->SetBytes(record.LastModified);
    if (viewbutton->text() != "Abort") ApplyNavigationEnabling();
    RebuildDescriptionList();
    ShowPreview();
    SelectDescription(description->text());
    OpenSite->setEnabled(!website->text().isEmpty());
    ShowImageAge();
    ProcessPendingEvents();
}

void TMainForm::ApplyNavigationEnabling() {
    const TCatalogue& c = App().Catalogue;
    firstbutton->setEnabled(c.Current > 1);
    backbutton->setEnabled(c.Current > 1);
    nextbutton->setEnabled(c.Current < c.Count);
    lastbutton->setEnabled(c.Current < c.Count);
    delbutton->setEnabled(c.Current >= 1 && c.Current <= c.Count);
}

void TMainForm::RebuildDescriptionList(bool force) {
    // The entries are rebuilt only when a description may have changed: with
    // thousands of cameras a rebuild on every step would be felt.
    const TCatalogue& catalogue = App().Catalogue;
    if (!force && listVersion_ == catalogue.DescriptionsVersion() &&
        description_combo->count() == catalogue.Count)
        return;
    QStringList entries;
    entries.reserve(catalogue.Count);
    foldedEntries_.clear();
    foldedEntries_.reserve(static_cast<std::size_t>(catalogue.Count));
    for (std::int32_t i = 1; i <= catalogue.Count; ++i) {
        entries.append(BytesToDisplay(catalogue.Records[static_cast<std::size_t>(i)].Description));
        foldedEntries_.push_back(entries.back().toCaseFolded());
    }
    description_combo->clear();
    description_combo->addItems(entries);
    listVersion_ = catalogue.DescriptionsVersion();
}

void TMainForm::SelectDescription(const QString& text) {
    const QString folded = text.toCaseFolded();
    int found = -1;
    for (std::size_t i = 0; i < foldedEntries_.size(); ++i)
        if (foldedEntries_[i] == folded) {
            found = static_cast<int>(i);
            break;
        }
    description_combo->setCurrentIndex(found);
}

void TMainForm::ClearFields() {
    for (TByteEdit* field : {url, description, website, updatetime, DateEdit})
        field->SetBytes("");
}

void TMainForm::EnterBusyState() {
    for (QWidget* w : std::initializer_list<QWidget*>{firstbutton, lastbutton, backbutton,
                                                      nextbutton, addbutton, delbutton, sortbutton,
                                                      RandomButton, description_combo, Button1})
        w->setEnabled(false);
}

void TMainForm::LeaveBusyState() {
    for (QWidget* w : std::initializer_list<QWidget*>{addbutton, sortbutton, RandomButton,
                                                      description_combo, Button1})
        w->setEnabled(true);
    ApplyNavigationEnabling();
}

// ---- Start-up and shutdown -------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!started_) {
        started_ = true;
        TWindowPlacement::Place(this, TPlacement::Centred);
        RunHandler([this] { FormShow(); });
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool closed = false;
    RunHandler([&] {
        FormClose();
        closed = true;
    });
    // A failed save keeps the window open, so the user's edits are not lost,
    // unless the user chooses to lose them: with a folder that cannot be
    // written, the window could otherwise never be closed.
    if (!closed && Dialogs().Confirm(kQuitWithoutSaving)) {
        if (Services().ExitProcess) Services().ExitProcess();
        closed = true;
    }
    if (closed)
        event->accept();
    else
        event->ignore();
}

void TMainForm::FormShow() {
    TAppState& app = App();
    app.Favourites.clear();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        int row = QFontMetrics(description_combo->font()).height();
        if (row > 0) description_combo->setMaxVisibleItems(screen->geometry().height() / row);
    }
    app.SessionBytes = 0;
    app.SessionImages = 0;
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    random_.seed(static_cast<std::mt19937::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    // A catalogue or settings file that cannot be read is reported, and the
    // program still starts so that the user can go on.
    RemoveSaveLeftoversAtStart();
    RunHandler([this] { LoadCatalogue(); });
    // An unreadable preview is reported, and the start-up goes on.
    RunHandler([this] { ShowCurrentRecord(); });
    RunHandler([this] { LoadSettings(); });
    RunHandler([] { TFavouritesMenu::ForMainForm().LoadAndBuild(); });
    QDir data(QString::fromStdString(DataDirectory()));
    data.mkdir("Previews");
    data.mkdir("Frames");
    description->resize(description_combo->width() -
                            style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 2,
                        description->height());
    if (app.FirstRun) {
        Dialogs().Information(
            "Welcome to the voyeuristic world of Lumisk!\r\r"
            "As this is the first time you have run this version of the software,\r"
            "it is recommended that you review the settings dialog and set your\r"
            "proxy server settings if required.");
        TSettings* settings = Forms().Settings;
        settings->show();
        WaitUntil([settings] { return !settings->isVisible(); });
        if (Dialogs().Confirm("Do you want to refresh all the camera previews now (recommended)?\r"
                              "Note: this may take some time depending on the speed of your\r"
                              "Internet connection."))
            Timer1->start();
    }
    SetStatus("Ready");
    viewbutton->setFocus();
}

void TMainForm::FormClose() {
    if (HTTP->Connected()) HTTP->CloseConnection();
    StoreCurrentRecord();
    SaveCatalogue();
    SaveSettings();
    if (Services().ExitProcess) Services().ExitProcess();
}

void TMainForm::Timer1Timer() {
    Timer1->stop();
    TRefreshPreviews* refresh = Forms().RefreshPreviews;
    Refreshallpreviewimages1Click();
    ProcessPendingEvents();
    // A run ended by an error is reported; the window still goes away and
    // the closing notice still comes.
    if (refresh->Button1->text() == "Update") RunHandler([refresh] { refresh->Button1Click(); });
    ProcessPendingEvents();
    refresh->hide();
    Dialogs().Information("All preview images have now been updated.");
}

// ---- Navigation and editing ------------------------------------------------

void TMainForm::firstbuttonClick() {
    StoreCurrentRecord();
    App().Catalogue.Current = 1;
    ShowCurrentRecord();
    SetStatus("Ready");
}

void TMainForm::backbuttonClick() {
    StoreCurrentRecord();
    if (App().Catalogue.Current > 1) --App().Catalogue.Current;
    ShowCurrentRecord();
    SetStatus("Ready");
}

void TMainForm::nextbuttonClick() {
    StoreCurrentRecord();
    if (App().Catalogue.Current < App().Catalogue.Count) ++App().Catalogue.Current;
    ShowCurrentRecord();
    SetStatus("Ready");
}

void TMainForm::lastbuttonClick() {
    StoreCurrentRecord();
    App().Catalogue.Current = App().Catalogue.Count;
    ShowCurrentRecord();
    SetStatus("Ready");
}

void TMainForm::description_comboClick() {
    description->setFocus();
    App().Catalogue.Current = description_combo->currentIndex() + 1;
    ShowCurrentRecord();
}

void TMainForm::addbuttonClick() {
    StoreCurrentRecord();
    App().Catalogue.Append();
    ShowCurrentRecord();
    ClearFields();
    url->setFocus();
    // The new camera is on disk at once, so that a crash does not lose it.
    SaveCatalogue();
}

void TMainForm::delbuttonClick() {
    if (Dialogs().Confirm("Are you sure you want to delete this entry?")) {
        TCatalogue& catalogue = App().Catalogue;
        catalogue.DeleteCurrent();
        ShowCurrentRecord();
        if (catalogue.Count == 0) ClearFields();
        SaveCatalogue();
    }
    SetStatus("Ready");
}

void TMainForm::sortbuttonClick() {
    sortbutton->setText("Sorting");
    sortbutton->setEnabled(false);
    // Even when the save fails the button must come back, or Sort is lost
    // for the rest of the run.
    struct Restore {
        QPushButton* button;
        ~Restore() {
            button->setText("Sort");
            button->setEnabled(true);
        }
    } restore{sortbutton};
    const QString remembered = description->text();
    SetStatus("Sorting database ...");
    ProcessPendingEvents();
    StoreCurrentRecord();
    App().Catalogue.SortByDescription();
    SaveCatalogue();
    ShowCurrentRecord();
    ProcessPendingEvents();
    SelectDescription(remembered);
    description_comboClick();
    SetStatus("Sorted database");
    ProcessPendingEvents();
}

void TMainForm::randombuttonClick() {
    TCatalogue& catalogue = App().Catalogue;
    if (catalogue.Count < 2) {
        Dialogs().Message("Randomize requires at least 2 records.");
        return;
    }
    std::uniform_int_distribution<std::int32_t> pick(1, catalogue.Count);
    catalogue.Current = pick(random_);
    ShowCurrentRecord();
    viewbuttonClick();
}

void TMainForm::OpenSiteClick() {
    if (!website->text().isEmpty() && Services().Shell) Services().Shell->Open(website->text());
}

} // namespace lumisk
