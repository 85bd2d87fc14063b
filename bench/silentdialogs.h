#pragma once
// Dialogs for benchmarks: every question is answered No and nothing is shown,
// so a timed run never waits for a person.
#include "util/userdialogs.h"

namespace lumisk::bench {

class TSilentDialogs : public IUserDialogs {
public:
    void Information(const QString&) override {}
    void Error(const QString&) override {}
    bool Confirm(const QString&) override { return false; }
    void Message(const QString&) override {}
    void ErrorReport(const QString&, const QString&) override {}
    std::optional<QString> SaveFile(const TSaveDialogOptions&) override { return {}; }
};

} // namespace lumisk::bench
