#include "app/cli/headlessdialogs.h"

namespace lumisk::cli {

THeadlessDialogs::THeadlessDialogs(std::function<void(const std::string&)> report)
    : report_(std::move(report)) {}

void THeadlessDialogs::Information(const QString& text) {
    Report(text);
}
void THeadlessDialogs::Error(const QString& text) {
    Report(text);
}
void THeadlessDialogs::Message(const QString& text) {
    Report(text);
}
void THeadlessDialogs::ErrorReport(const QString&, const QString& text) {
    Report(text);
}

bool THeadlessDialogs::Confirm(const QString& text) {
    Report(text + "\r(answered No: there is nobody to ask)");
    return false;
}

std::optional<QString> THeadlessDialogs::SaveFile(const TSaveDialogOptions&) {
    return std::nullopt;
}

void THeadlessDialogs::Report(const QString& text) {
    // Dialog texts separate their lines with CR; a terminal wants LF.
    QString lines = text;
    lines.replace("\r\n", "\n").replace('\r', '\n');
    report_(lines.toLocal8Bit().toStdString());
}

} // namespace lumisk::cli
