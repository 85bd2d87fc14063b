#pragma once
// `lumisk remove DESCRIPTION`: the one camera whose description is exactly
// DESCRIPTION leaves the catalogue, as the main window's Del button removes
// it (its previews and favourite entry stay, as they do there); the
// catalogue is saved at once. No camera or several with that description:
// nothing changes, the close matches are listed, exit status 2.
#include "app/cli/command.h"

namespace lumisk::cli {

class TRemoveCommand : public TCommand {
  public:
    std::string Name() const override { return "remove"; }
    std::string Summary() const override;
    std::string Usage() const override { return "DESCRIPTION"; }
    std::string Details() const override;
    std::vector<std::string> Operands() const override { return {"DESCRIPTION"}; }
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
