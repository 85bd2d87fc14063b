#pragma once
// `lumisk list`: the catalogue on stdout, one camera per line, fields
// separated by a tab and written byte for byte as stored.
#include "app/cli/command.h"

namespace lumisk::cli {

class TListCommand : public TCommand {
  public:
    std::string Name() const override { return "list"; }
    std::string Summary() const override;
    std::string Usage() const override { return "[--long]"; }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
