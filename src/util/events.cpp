#include "util/events.h"

#include <QCoreApplication>

namespace lumisk {

namespace {
std::function<void()>& Hook() {
    static std::function<void()> hook;
    return hook;
}
} // namespace

void ProcessPendingEvents() {
    if (Hook()) {
        Hook()();
        return;
    }
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetPendingEventsHook(std::function<void()> hook) { Hook() = std::move(hook); }

} // namespace lumisk

#include <QTimer>

namespace lumisk {

void WaitUntil(const std::function<bool()>& done) {
    QTimer tick;
    tick.start(50);
    while (!done()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        else
            return;
    }
}

} // namespace lumisk
