#pragma once
// `lumisk refresh`: the batch preview refresh of the windows (TRefreshEngine)
// with many cameras at once (TPoolRefreshDownloader); then the dates of the
// cameras downloaded go into the catalogue and the statistics are added to
// the settings file, both under the data folder's lock and changing nothing
// else. A summary goes to stdout, the cameras that failed listed with the
// reason. Exit status 1 when a camera failed or the run was stopped.
#include "app/cli/command.h"

namespace lumisk::cli {

class TRefreshCommand : public TCommand {
  public:
    std::string Name() const override { return "refresh"; }
    std::string Summary() const override;
    std::string Usage() const override {
        return "[--style all|missing|dark] [--jobs N] [--per-host M]";
    }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
