#include "tools/htmlindexcommand.h"

#include "tools/htmlindexpage.h"
#include "util/fileio.h"
#include "util/services.h"
#include "util/shellopener.h"
#include "util/userdialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumisk {

QString THtmlIndexCommand::InitialDirectory() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QDir::homePath();
#endif
}

void THtmlIndexCommand::Run(const TCatalogue& catalogue) {
    TSaveDialogOptions options;
    options.Title = QStringLiteral("Name for HTM index file?");
    options.DefaultExt = QStringLiteral("htm");
    options.FileName = FileName;
    options.Filter = QStringLiteral("HTM Files (*.htm)");
    options.InitialDir = InitialDirectory();
    std::optional<QString> chosen = Services().Dialogs->SaveFile(options);
    if (!chosen) return;
    // A name typed without an extension gets the default one, whichever
    // dialog asked.
    if (!QFileInfo(*chosen).fileName().contains('.')) *chosen += "." + options.DefaultExt;
    FileName = *chosen;
    const QByteArray path = QFile::encodeName(*chosen);
    WriteFileReplacing(path.toStdString(), THtmlIndexPage::Text(catalogue));
    if (Services().Dialogs->Confirm(
            QStringLiteral("HTM file created.  Do you want to open it now?")))
        if (IShellOpener* shell = Services().Shell) shell->Open(*chosen);
}

THtmlIndexCommand& HtmlIndexCommand() {
    static THtmlIndexCommand command;
    return command;
}

} // namespace lumisk
