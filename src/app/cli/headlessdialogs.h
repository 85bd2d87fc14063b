#pragma once
// The dialogs seam for commands: nothing waits for a user. Notices and error
// reports become lines on stderr (through report, which prefixes them),
// questions are answered No and save dialogs are cancelled, so a command
// never takes a step the user was to confirm.
#include "util/userdialogs.h"

#include <functional>
#include <string>

namespace lumisk::cli {

class THeadlessDialogs : public IUserDialogs {
  public:
    explicit THeadlessDialogs(std::function<void(const std::string&)> report);

    void Information(const QString& text) override;
    void Error(const QString& text) override;
    bool Confirm(const QString& text) override;
    void Message(const QString& text) override;
    void ErrorReport(const QString& title, const QString& text) override;
    std::optional<QString> SaveFile(const TSaveDialogOptions& options) override;

  private:
    void Report(const QString& text);
    std::function<void(const std::string&)> report_;
};

} // namespace lumisk::cli
