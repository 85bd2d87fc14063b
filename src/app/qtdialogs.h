#pragma once
// The real dialogs: Qt message boxes and the Qt file-save dialog. Texts use
// CR between lines, as the program writes them; they are shown as lines.
#include "util/userdialogs.h"

namespace lumisk {

class TQtDialogs : public IUserDialogs {
public:
    void Information(const QString& text) override;
    void Error(const QString& text) override;
    bool Confirm(const QString& text) override;
    void Message(const QString& text) override;
    void ErrorReport(const QString& title, const QString& text) override;
    std::optional<QString> SaveFile(const TSaveDialogOptions& options) override;
};

} // namespace lumisk
