#pragma once
// What a running command is handed: where results go (stdout), where
// diagnostics go (stderr, each prefixed "lumisk: ", drawn around the
// progress line), the progress line, the stop request, and the data folder
// the framework opened for it. Owns nothing; lives for one Run().
#include "app/cli/progressline.h"

#include <cstdio>
#include <string>

namespace lumisk::cli {

class TDataFolder;

class TCommandContext {
  public:
    TCommandContext(std::FILE* out, TProgressLine& progress, TDataFolder* data);

    std::FILE* Out() const { return out_; }
    // Writes bytes to the results, as they are (the progress line is taken
    // off the terminal first and comes back with its next update).
    void Print(const std::string& text) const;
    // One diagnostic on stderr: "lumisk: " + text (text may hold several lines).
    void Say(const std::string& text) const;
    TProgressLine& Progress() const { return progress_; }

    // Ctrl+C or SIGTERM asked the command to stop (see TStopSignals).
    bool StopRequested() const;
    // Readable once a stop is requested, for poll() sets; -1 if unavailable.
    int StopWakeFd() const;

    // The folder opened for the command's TDataAccess; throws when the
    // command declared TDataAccess::None.
    TDataFolder& Data() const;

  private:
    std::FILE* out_;
    TProgressLine& progress_;
    TDataFolder* data_;
};

} // namespace lumisk::cli
