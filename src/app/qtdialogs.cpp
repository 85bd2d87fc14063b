#include "app/qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace lumisk {

namespace {
QString Lines(QString text) {
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}
QString Title() { return QCoreApplication::applicationName(); }
} // namespace

void TQtDialogs::Information(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), Title(), Lines(text));
}

void TQtDialogs::Error(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), Title(), Lines(text));
}

bool TQtDialogs::Confirm(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), Title(), Lines(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TQtDialogs::Message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, Title(), Lines(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void TQtDialogs::ErrorReport(const QString& title, const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), title, Lines(text));
}

std::optional<QString> TQtDialogs::SaveFile(const TSaveDialogOptions& options) {
    QFileDialog dialog(QApplication::activeWindow(), options.Title, options.InitialDir,
                       options.Filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(options.DefaultExt);
    dialog.selectFile(options.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace lumisk
