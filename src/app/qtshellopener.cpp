#include "app/qtshellopener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace lumisk {

void TQtShellOpener::Open(const QString& target) {
    // An existing file opens as a file; anything else is an address, where a
    // bare "www.example.com" still means a web page.
    QUrl url;
    if (QFileInfo::exists(target))
        url = QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    else
        url = QUrl::fromUserInput(target);
    QDesktopServices::openUrl(url);
}

} // namespace lumisk
