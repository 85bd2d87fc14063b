#pragma once
// The desktop's "open" action for web pages and files. Its result is never
// reported to the user, so Open returns nothing.
#include <QString>

namespace lumisk {

class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    // target is a URL as typed by the user or a local file path.
    virtual void Open(const QString& target) = 0;
};

} // namespace lumisk
