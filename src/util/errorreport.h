#pragma once
// The general error report: an error that no handler catches ends that
// handler and is shown in a message box titled with the application title,
// with a stop icon and OK; the program goes on.
#include <functional>
#include <string>

namespace lumisk {

extern const char* const ApplicationTitle; // "Lumisk"

// Shows message (bytes) through the dialogs seam, with a full stop added.
void ShowErrorReport(const std::string& message);

// Runs handler; any exception it lets out is reported and swallowed.
void RunHandler(const std::function<void()>& handler);

} // namespace lumisk
