#pragma once
// The program's command line, read before any window exists:
//   lumisk [--data-dir DIR] [--help] [--version]          the windows
//   lumisk [--data-dir DIR] COMMAND [OPTIONS]             a command
// A command runs here, with at most a QCoreApplication (never a
// QGuiApplication or QApplication, so it needs no display), headless
// dialogs, and SIGINT/SIGTERM turned into a stop request.
#include "app/cli/command.h"

#include <optional>
#include <string>

namespace lumisk::cli {

// The exit status when the command line was handled here (a command, --help,
// --version, or a mistake, which is reported on stderr); nothing when the
// windows are to start, with dataDir set to the --data-dir folder (left
// empty when none was given). Qt's own -platform and -style, with their
// values, are left for the windows.
std::optional<int> RunCommandLine(int argc, char** argv, std::string& dataDir);

// `lumisk --help` and `lumisk COMMAND --help`.
std::string ProgramHelp();
std::string CommandHelp(const TCommand& command);

} // namespace lumisk::cli
