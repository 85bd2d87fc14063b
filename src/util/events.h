#pragma once
// The one way long operations yield to the window system. Every wait and loop
// of the program calls ProcessPendingEvents so that Abort and Stop clicks run.
#include <functional>

namespace lumisk {

// Lets the window system deliver waiting events (nested handlers may run).
void ProcessPendingEvents();

// Tests may count or replace the yield; pass nullptr to restore the default,
// which is QCoreApplication::processEvents when an application exists.
void SetPendingEventsHook(std::function<void()> hook);

} // namespace lumisk

namespace lumisk {

// Processes events until done() holds, waking at least every 50 ms to test it
// (used where the program waits for a window to be hidden).
void WaitUntil(const std::function<bool()>& done);

} // namespace lumisk
