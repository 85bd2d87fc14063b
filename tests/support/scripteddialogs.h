#pragma once
// Dialogs for tests: every text shown is recorded with its kind, confirmations
// and save dialogs are answered from a queue (No / cancel when the queue is
// empty), and nothing modal is ever shown.
#include "util/userdialogs.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

namespace lumisk::test {

struct TShownDialog {
    QString Kind; // "Information", "Error", "Confirm", "Message", "ErrorReport", "SaveFile"
    QString Text;
    QString Title;
};

class TScriptedDialogs : public IUserDialogs {
public:
    void Information(const QString& text) override;
    void Error(const QString& text) override;
    bool Confirm(const QString& text) override;
    void Message(const QString& text) override;
    void ErrorReport(const QString& title, const QString& text) override;
    std::optional<QString> SaveFile(const TSaveDialogOptions& options) override;

    void Reset();
    std::vector<TShownDialog> Shown;
    std::deque<bool> ConfirmAnswers;
    std::deque<std::optional<QString>> SaveAnswers;
    std::vector<TSaveDialogOptions> SaveRequests;
    // Runs after a dialog is recorded, as if while it was shown.
    std::function<void(const TShownDialog&)> OnShow;

    // Texts of the given kind, in order.
    std::vector<QString> Texts(const QString& kind) const;

private:
    void Record(const QString& kind, const QString& text, const QString& title = {});
};

// The dialogs installed by the test main.
TScriptedDialogs& Dialogs();

// Installs the scripted dialogs, the recording shell and an ExitProcess that
// only counts (see ExitCount).
void InstallRecordingServices();
int& ExitCount();

} // namespace lumisk::test
