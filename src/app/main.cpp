// Program entry: runs a command when the command line names one; otherwise
// chooses the data folder, installs the real dialogs and shell, creates every
// window hidden and shows the main window.
#include "app/cli/commandline.h"
#include "app/createforms.h"
#include "app/mainform.h"
#include "app/qtdialogs.h"
#include "app/qtshellopener.h"
#include "catalogue/appstate.h"
#include "imaging/gnomewallpaper.h"
#include "tools/systemclock.h"
#include "util/datadirectory.h"
#include "util/datafolderchoice.h"
#include "util/errorreport.h"
#include "util/services.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Exceptions must not cross the event loop: anything a handler let out is
// shown by the general error report and the program goes on.
class TLumiskApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        bool result = false;
        lumisk::RunHandler([&] { result = QApplication::notify(receiver, event); });
        return result;
    }
};

} // namespace

int main(int argc, char** argv) {
    // A command runs without any window; --help, --version and mistakes end here too.
    std::string dataDir;
    if (std::optional<int> status = lumisk::cli::RunCommandLine(argc, argv, dataDir))
        return *status;

    TLumiskApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(lumisk::ApplicationTitle));
    const lumisk::TDataFolderPlaces places = lumisk::TDataFolderPlaces::OfThisProcess();
    const lumisk::TDataFolderChoice folder = lumisk::TDataFolderChoice::Choose(dataDir, places);
    const std::string folderProblem = folder.Prepare(places);
    if (!folderProblem.empty() && folder.Source() == lumisk::TDataFolderChoice::TSource::Given &&
        !QDir(QString::fromLocal8Bit(folder.Folder().c_str())).exists()) {
        std::fprintf(stderr, "lumisk: cannot create the data directory %s\n", dataDir.c_str());
        return 1;
    }
    lumisk::SetDataDirectory(folder.Folder());

    lumisk::TQtDialogs dialogs;
    lumisk::TQtShellOpener shell;
    lumisk::TGnomeWallpaper wallpaper;
    lumisk::TSystemClock clock;
    lumisk::Services().Dialogs = &dialogs;
    lumisk::Services().Shell = &shell;
    lumisk::Services().Wallpaper = &wallpaper;
    lumisk::Services().Clock = &clock;
    lumisk::Services().ExitProcess = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };

    // Said once, before anything tries to save there.
    if (!folderProblem.empty()) dialogs.Error(QString::fromLocal8Bit(folderProblem.c_str()) + ".");

    lumisk::CreateForms();
    lumisk::TheMainForm()->show();
    return app.exec();
}
