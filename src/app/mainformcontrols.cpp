#include "app/mainformcontrols.h"

#include "widgets/controlplacement.h"

#include <QMenuBar>

namespace lumisk {

namespace {

constexpr int kClientWidth = 401;
constexpr int kClientHeight = 333;
constexpr int kStatusHeight = 19;

} // namespace

void TMainFormControls::BuildControls(QMainWindow* window) {
    auto* client = new QWidget(window);
    client->setFixedSize(kClientWidth, kClientHeight);
    window->setCentralWidget(client);

    stats = new QStatusBar(client);
    stats->setObjectName("stats");
    stats->setSizeGripEnabled(false);
    stats->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    // Its own ground, the window's colour: a new status text then repaints
    // the bar alone, not the window behind it as well.
    stats->setAutoFillBackground(true);

    Panel1 = Put(new QFrame(client), "Panel1", 0, 0, kClientWidth, kClientHeight - kStatusHeight);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QWidget* p = Panel1;

    Label3 = PutLabel(p, "Label3", "Description", 12, 10);
    description_combo = Put(new QComboBox(p), "description_combo", 72, 8, 305, 21);
    description = Put(new TByteEdit(p), "description", 72, 8, 289, 21);
    description->raise(); // covers the text part of the list, its button stays visible
    Button1 = PutButton(p, "Button1", "T", "Select camera from thumbnail previews", 379, 9, 13, 18);
    Label2 = PutLabel(p, "Label2", "Image URL", 11, 32);
    url = Put(new TByteEdit(p), "url", 72, 31, 321, 18);
    Label14 = PutLabel(p, "Label14", "Web page", 15, 53);
    website = Put(new TByteEdit(p), "website", 72, 51, 281, 18);
    OpenSite = PutButton(p, "OpenSite", "Open", nullptr, 355, 51, 38, 18);
    Label15 = PutLabel(p, "Label15", "Image updated every", 92, 74);
    updatetime = Put(new TByteEdit(p), "updatetime", 199, 72, 41, 18);
    updatetime->setText("0");
    Label16 = PutLabel(p, "Label16", "minute(s)", 245, 73);
    Label1 = PutLabel(p, "Label1", "Date image was last modified on server", 8, 94);
    DateEdit = Put(new TByteEdit(p), "DateEdit", 199, 92, 193, 18);
    Label5 = PutLabel(p, "Label5", "Time since last update", 86, 116);
    Difference = Put(new QLineEdit(p), "Difference", 199, 114, 193, 18);
    Bevel4 = Put(new QFrame(p), "Bevel4", 7, 138, 386, 2);
    Bevel4->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Panel9 = Put(new QFrame(p), "Panel9", 11, 145, 206, 160);
    Panel9->setStyleSheet("background-color: black;");
    PreviewImage = Put(new QLabel(Panel9), "PreviewImage", 1, 1, 204, 158);
    PreviewImage->setAlignment(Qt::AlignCenter);
    imagestats = Put(new QLabel("imagestats", p), "imagestats", 224, 144, 169, 13);
    imagestats->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    RandomButton =
        PutButton(p, "RandomButton", "Random Camera", "View a random image.", 264, 216, 89, 22);
    firstbutton = PutButton(p, "firstbutton", "First", "Goto first record.", 226, 248, 41, 22);
    backbutton = PutButton(p, "backbutton", "Back", "Go back 1 record.", 268, 248, 41, 22);
    nextbutton = PutButton(p, "nextbutton", "Next", "Go forward 1 record.", 310, 248, 41, 22);
    lastbutton = PutButton(p, "lastbutton", "Last", "Goto last record.", 352, 248, 41, 22);
    delbutton = PutButton(p, "delbutton", "Del", "Delete the current record.", 226, 280, 41, 22);
    sortbutton =
        PutButton(p, "sortbutton", "Sort", "Sort all records by description.", 268, 280, 41, 22);
    addbutton = PutButton(p, "addbutton", "Add", "Add a new record.", 310, 280, 41, 22);
    viewbutton = PutButton(p, "viewbutton", "View", "View the current image.", 352, 280, 38, 22);
    for (QPushButton* b : {firstbutton, backbutton, nextbutton, lastbutton})
        b->setEnabled(false);

    Timer1 = new QTimer(window);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);

    QWidget* order[] = {description, description_combo, url,        website,    OpenSite,
                        updatetime,  firstbutton,       backbutton, nextbutton, lastbutton,
                        addbutton,   delbutton,         sortbutton, viewbutton, RandomButton,
                        Panel9,      DateEdit,          Button1,    Difference};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void TMainFormControls::BuildMenu(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();
    bar->setObjectName("MainMenu1");
    bar->setNativeMenuBar(false);
    // Each caption marks its access key with "&", unique among its
    // neighbours; the text shown is the caption without the mark.
    auto menu = [bar](const char* name, const char* title) {
        QMenu* m = bar->addMenu(title);
        m->setObjectName(name);
        return m;
    };
    auto item = [](QMenu* m, const char* name, const char* text) {
        QAction* a = m->addAction(text);
        a->setObjectName(name);
        return a;
    };
    Settings1 = menu("Settings1", "&Settings");
    Settings2 = item(Settings1, "Settings2", "&Settings ...");
    Favourites1 = menu("Favourites1", "&Favorites");
    Addcurrentcameratofavourites1 =
        item(Favourites1, "Addcurrentcameratofavourites1", "&Add current camera to favorites");
    Managefavourites1 = item(Favourites1, "Managefavourites1", "&Manage favorites ...");
    N1 = Favourites1->addSeparator();
    N1->setObjectName("N1");
    Movie1 = menu("Movie1", "&Time Lapse");
    Createtimelapseframes1 =
        item(Movie1, "Createtimelapseframes1", "&Create time lapse frames ...");
    BuildAVImovie1 = item(Movie1, "BuildAVImovie1", "&Build AVI movie ...");
    Utilities1 = menu("Utilities1", "&Utilities");
    CreateHTMLindexpage1 = item(Utilities1, "CreateHTMLindexpage1", "&Create HTML index page");
    Internettimecheck1 = item(Utilities1, "Internettimecheck1", "&Internet time check");
    Refreshallpreviewimages1 =
        item(Utilities1, "Refreshallpreviewimages1", "&Refresh preview images");
    Viewstatistics1 = item(Utilities1, "Viewstatistics1", "&View statistics");
    Help1 = menu("Help1", "&Help");
    About1 = item(Help1, "About1", "&About");
    Keyboardshortcuts1 = item(Help1, "Keyboardshortcuts1", "&Keyboard shortcuts");
}

} // namespace lumisk
