#pragma once
// `lumisk time [--set] [--server HOST] [--port N]`: the Internet time check
// without its window: reads the time from an RFC 868 time server (the first
// of the window's list unless --server names another), shows it beside the
// local time with the difference, and sets the computer's clock only with
// --set (through the program's clock, which refuses a time before the build).
// Exit status 0 when the time was read (and set, when asked), 1 when it could
// not be read or set.
#include "app/cli/command.h"

namespace lumisk::cli {

class TTimeCommand : public TCommand {
  public:
    std::string Name() const override { return "time"; }
    std::string Summary() const override;
    std::string Usage() const override { return "[--set] [--server HOST] [--port N]"; }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    TDataAccess DataAccess() const override { return TDataAccess::None; }
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
