#pragma once
// The desktop's "open" action through Qt (xdg-open on Linux).
#include "util/shellopener.h"

namespace lumisk {

class TQtShellOpener : public IShellOpener {
public:
    void Open(const QString& target) override;
};

} // namespace lumisk
