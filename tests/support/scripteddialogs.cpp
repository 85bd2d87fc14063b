#include "support/scripteddialogs.h"

#include "support/recordingshell.h"
#include "util/services.h"

namespace lumisk::test {

void TScriptedDialogs::Record(const QString& kind, const QString& text, const QString& title) {
    Shown.push_back({kind, text, title});
    if (OnShow) OnShow(Shown.back());
}

void TScriptedDialogs::Information(const QString& text) { Record("Information", text); }
void TScriptedDialogs::Error(const QString& text) { Record("Error", text); }
void TScriptedDialogs::Message(const QString& text) { Record("Message", text); }
void TScriptedDialogs::ErrorReport(const QString& title, const QString& text) {
    Record("ErrorReport", text, title);
}

bool TScriptedDialogs::Confirm(const QString& text) {
    Record("Confirm", text);
    if (ConfirmAnswers.empty()) return false;
    bool answer = ConfirmAnswers.front();
    ConfirmAnswers.pop_front();
    return answer;
}

std::optional<QString> TScriptedDialogs::SaveFile(const TSaveDialogOptions& options) {
    SaveRequests.push_back(options);
    Record("SaveFile", options.FileName, options.Title);
    if (SaveAnswers.empty()) return std::nullopt;
    auto answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    return answer;
}

void TScriptedDialogs::Reset() {
    Shown.clear();
    ConfirmAnswers.clear();
    SaveAnswers.clear();
    SaveRequests.clear();
    OnShow = nullptr;
}

std::vector<QString> TScriptedDialogs::Texts(const QString& kind) const {
    std::vector<QString> out;
    for (const auto& d : Shown)
        if (d.Kind == kind) out.push_back(d.Text);
    return out;
}

TScriptedDialogs& Dialogs() {
    static TScriptedDialogs dialogs;
    return dialogs;
}

int& ExitCount() {
    static int count = 0;
    return count;
}

void InstallRecordingServices() {
    Services().Dialogs = &Dialogs();
    Services().Shell = &Shell();
    Services().ExitProcess = [] { ++ExitCount(); };
}

} // namespace lumisk::test
