#pragma once
// `lumisk html [--out FILE]`: the catalogue's HTML index page, the same
// bytes the main window's "Create HTML index page" writes, into FILE
// (default "orvane.htm" in the current folder), replaced whole.
#include "app/cli/command.h"

namespace lumisk::cli {

class THtmlCommand : public TCommand {
  public:
    std::string Name() const override { return "html"; }
    std::string Summary() const override;
    std::string Usage() const override { return "[--out FILE]"; }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
