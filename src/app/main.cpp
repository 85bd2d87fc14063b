// Program entry: reads the command line, installs the real dialogs and shell,
// creates every window hidden and shows the main window.
#include "app/createforms.h"
#include "app/mainform.h"
#include "app/qtdialogs.h"
#include "app/qtshellopener.h"
#include "catalogue/appstate.h"
#include "imaging/gnomewallpaper.h"
#include "tools/systemclock.h"
#include "util/datadirectory.h"
#include "util/errorreport.h"
#include "util/services.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

const char* const kUsage =
    "Usage: lumisk [--data-dir DIR] [--help] [--version]\n"
    "\n"
    "Lumisk keeps a catalogue of public web cameras and fetches their images.\n"
    "\n"
    "  --data-dir DIR  keep the catalogue, settings, favourites, previews and\n"
    "                  frames in DIR (created when missing) instead of the\n"
    "                  directory of the program\n"
    "  --help          show this text and exit\n"
    "  --version       show the version and exit\n";

} // namespace

int main(int argc, char** argv) {
    std::string dataDir;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("%s\n", lumisk::VersionLine);
            return 0;
        }
        if (!std::strcmp(argv[i], "--data-dir") && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (!std::strncmp(argv[i], "--data-dir=", 11)) {
            dataDir = argv[i] + 11;
        } else if (argv[i][0] == '-' && std::strcmp(argv[i], "-platform") &&
                   std::strcmp(argv[i], "-style")) {
            std::fprintf(stderr, "lumisk: unknown option %s\n\n%s", argv[i], kUsage);
            return 2;
        }
    }

    TLumiskApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(lumisk::ApplicationTitle));
    if (dataDir.empty()) {
        dataDir = QCoreApplication::applicationDirPath().toStdString();
    } else if (!QDir().mkpath(QString::fromLocal8Bit(dataDir.c_str()))) {
        std::fprintf(stderr, "lumisk: cannot create the data directory %s\n", dataDir.c_str());
        return 1;
    }
    lumisk::SetDataDirectory(QDir(QString::fromLocal8Bit(dataDir.c_str())).absolutePath().toStdString());

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

    lumisk::CreateForms();
    lumisk::TheMainForm()->show();
    return app.exec();
}
