#pragma once
// `lumisk grab CAMERA --every MINUTES [--seconds S] [--max N]
// [--from HH:MM --to HH:MM] [--stamp]`: the
// time-lapse grab of one camera (named by its description) without a
// window, by the same engine as the time-lapse window: every picture that
// differs from the last kept one becomes the next "Frames/FRA#####.BMP".
// Each download is a View of the camera (same rules and files); its date
// and the statistics counters are saved after it, changing nothing else in
// the data folder's files. Frames of an earlier grab are kept and their
// numbering continues (nobody is there to be asked). The grab ends after N
// kept frames (at once, not after a further wait) or on Ctrl+C / SIGTERM,
// which abandons a download in progress; a frame is always complete.
// Between --to and --from (local time) it waits; it ends before the frames'
// disk would fill (the engine's guard), as after an error.
// Exit status 0 when it ended so and no download failed, 1 when a download
// failed or an error (a frame that cannot be written) ended it, 2 for bad
// usage or a camera that is not in the catalogue (close matches listed).
#include "app/cli/command.h"

namespace lumisk::cli {

class TGrabCommand : public TCommand {
  public:
    std::string Name() const override { return "grab"; }
    std::string Summary() const override;
    std::string Usage() const override {
        return "CAMERA --every MINUTES [--seconds S] [--max N] [--from HH:MM --to HH:MM] [--stamp]";
    }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    std::vector<std::string> Operands() const override { return {"CAMERA"}; }
    TDataAccess DataAccess() const override { return TDataAccess::MustExist; }
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
