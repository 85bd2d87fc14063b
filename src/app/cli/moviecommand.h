#pragma once
// `lumisk movie [--format avi|mp4] [--crf N] [--fps N] [--out FILE]
// [--delete-frames]`: the movie of the time-lapse frames, built by the AVI
// builder's own routine (the same file the AVI builder window writes for
// that format). --crf is the MP4's quality and needs --format mp4. The
// movie is written beside its target
// under a hidden name and renamed into place when complete, so a stop
// (Ctrl+C, SIGTERM) or a failure leaves no partial movie and any earlier file
// of that name as it was; the frames are kept then. Exit status 0 for a
// movie, 1 when there were no frames, a frame could not be read or the movie
// not written, or the build was stopped.
#include "app/cli/command.h"

namespace lumisk::cli {

class TMovieCommand : public TCommand {
  public:
    std::string Name() const override { return "movie"; }
    std::string Summary() const override;
    std::string Usage() const override {
        return "[--format avi|mp4] [--crf N] [--fps N] [--out FILE] [--delete-frames]";
    }
    std::string Details() const override;
    std::vector<TOption> Options() const override;
    TDataAccess DataAccess() const override { return TDataAccess::MustExist; }
    int Run(const TCommandArgs& args, TCommandContext& context) override;
};

} // namespace lumisk::cli
