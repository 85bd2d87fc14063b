#pragma once
// "Create HTML index page": asks for a file name in a save dialog, writes
// the catalogue's page there and offers to open it in the desktop's default
// program. Cancel writes and shows nothing. A file that cannot be written
// throws EFCreateError for the caller's general error report, before the
// question is asked. The dialog starts in the user's folder (the root of
// drive C on Windows) each time and offers the last chosen name of the run.
#include "catalogue/catalogue.h"

#include <QString>

namespace lumisk {

class THtmlIndexCommand {
  public:
    void Run(const TCatalogue& catalogue);

    // The name the dialog offers: "orvane.htm", then the last chosen file.
    QString FileName = QStringLiteral("orvane.htm");

    // Where the dialog starts.
    static QString InitialDirectory();
};

// The one command of the run, used by the main window's menu.
THtmlIndexCommand& HtmlIndexCommand();

} // namespace lumisk
