#pragma once
// A shell "open" that only records what it was asked to open.
#include "util/shellopener.h"

#include <QStringList>

namespace lumisk::test {

class TRecordingShell : public IShellOpener {
public:
    void Open(const QString& target) override { Opened.append(target); }
    QStringList Opened;
};

TRecordingShell& Shell();

} // namespace lumisk::test
