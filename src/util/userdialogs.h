#pragma once
// Every question and notice the program puts to the user goes through this
// interface: the windows call it, the real one shows Qt dialogs, tests answer
// from a script. Texts are display texts (already decoded from bytes).
#include <QString>
#include <optional>

namespace lumisk {

struct TSaveDialogOptions {
    QString Title;
    QString DefaultExt;  // without the point, added when the user typed none
    QString FileName;    // initial name
    QString Filter;      // "HTML files (*.htm)" style
    QString InitialDir;
};

class IUserDialogs {
public:
    virtual ~IUserDialogs() = default;
    virtual void Information(const QString& text) = 0;            // OK
    virtual void Error(const QString& text) = 0;                  // OK, error icon
    virtual bool Confirm(const QString& text) = 0;                // Yes / No; true on Yes
    virtual void Message(const QString& text) = 0;                // plain, OK
    virtual void ErrorReport(const QString& title, const QString& text) = 0; // stop icon, OK
    // The file chosen in a save dialog, or nothing when it was cancelled.
    virtual std::optional<QString> SaveFile(const TSaveDialogOptions& options) = 0;
};

} // namespace lumisk
