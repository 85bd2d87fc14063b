#pragma once
// `lumisk add DESCRIPTION ADDRESS [--page URL] [--every MINUTES]`: a camera
// appended to the catalogue as the main window's Add button appends it,
// saved at once. A description that another camera already has (letter
// case aside, as the drop-down list matches) is refused, as is a field
// that the catalogue could not keep as given.
#include "app/cli/command.h"

namespace lumisk::cli {

class TAddCommand : public TCommand {
  public:
    std::string Name() const override { return "add"; }
    std::string Summary() const override;
    std::string Usage() const override {
        return "DESCRIPTION ADDRESS [--page URL] [--every MINUTES]";
    }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    std::vector<std::string> Operands() const override { return {"DESCRIPTION", "ADDRESS"}; }
    TDataAccess DataAccess() const override { return TDataAccess::CreateIfMissing; }
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
