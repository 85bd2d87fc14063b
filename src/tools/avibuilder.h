#pragma once
// The build routine behind the AVI builder window: lists the frame files of
// the frames directory, writes them as one movie at a given number of frames
// per second, and deletes them afterwards when asked. The movie is the
// uncompressed AVI (the default) or an H.264 MP4 (Kind); both go through the
// one build loop and differ only in their writer and the format's name in
// the texts ("AVI" or "MP4").
//
// Frame files: the ordinary files of the frames directory (neither hidden,
// system files nor directories; subdirectories are not searched) whose full
// path ends in a 12-character tail that begins with "FRA" and ends with "BMP",
// in exact letter case; frame i of the movie is entry i of their list sorted
// without regard to letter case.
//
// Progress goes to the Status and FrameWritten callbacks and the window
// processes its pending events at fixed points through ProcessPendingEvents.
// Failures the window shows in an error box go to ErrorBox and end the build
// with the frames kept; the AVI then holds the whole frames that reached
// the disk, or is removed when there are none or they cannot be completed
// (aviwriter.h). StopRequested is asked before each frame; a stopped build
// removes the movie it was writing and keeps the frames.
// With WriteAside the movie is written under a hidden temporary name beside
// the target and renamed onto it only once complete: a build that fails,
// throws or stops leaves the target as it was and no partial file behind.
// An MP4 is always written aside: a part of one plays nowhere.
// Errors thrown: ELumiskError for frames per second of 0 or less or an MP4
// quality outside 0 .. 51 (before anything is looked at or written), the
// reader's EFOpenError or EImageError for a frame that cannot be read (an
// AVI is completed as far as written), EFCreateError when a finished AVI
// cannot be completed or a finished movie not renamed onto its target (an
// MP4 that cannot be completed is an error box like any failed write).
#include "tools/aviwriter.h"
#include "tools/mp4writer.h"

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumisk {

struct TAviBuildCallbacks {
    std::function<void(const std::string&)> Status;
    // Each frame as it is written; not called when unset (no picture is built).
    std::function<void(const QImage&)> Preview;
    std::function<void(const std::string&)> ErrorBox;
    // Asked once the movie is complete: delete the frame files now?
    std::function<bool()> DeleteFrames;
    // After each frame written: how many of how many.
    std::function<void(std::size_t written, std::size_t total)> FrameWritten = nullptr;
    // Asked before each frame: give the movie up now?
    std::function<bool()> StopRequested = nullptr;
};

enum class TAviBuildResult { Created, NoFrames, Failed, Stopped };

enum class TMovieKind { Avi, Mp4 };

class TAviBuilder {
  public:
    explicit TAviBuilder(TAviBuildCallbacks callbacks, TAviWriterOptions options = {});

    // Whether a listed path names a frame file (the 12-character tail rule).
    static bool IsFrameFileName(const std::string& path);
    // The frame list of a directory path that ends with "/".
    static std::vector<std::string> FrameFiles(const std::string& framesDirectory);

    // The format's name in texts ("AVI", "MP4").
    static std::string KindName(TMovieKind kind);
    // The name a new movie of that kind is proposed under in a directory
    // path that ends with "/": the next of AVI00000.AVI, AVI00001.AVI, ... or
    // of MOV00000.MP4, MOV00001.MP4, ... (NextNumberedFileName's rules).
    static std::string NextMovieName(const std::string& directory, TMovieKind kind);

    TAviBuildResult Build(const std::string& framesDirectory, const std::string& target,
                          int framesPerSecond);

    TMovieKind Kind = TMovieKind::Avi;
    // The MP4's quality (x264's constant rate factor, 0 .. 51).
    int Crf = TMp4WriterOptions{}.Crf;
    // Write under a temporary name and rename when complete (see above).
    bool WriteAside = false;
    // The temporary name a WriteAside build writes to.
    static std::string AsideFile(const std::string& target);

    // Of the last build: frames written and their size in pixels.
    std::size_t FramesWritten() const { return framesWritten_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

  private:
    void Status(const std::string& text) const;
    void ErrorBox(const std::string& text) const;
    std::unique_ptr<TMovieWriter> NewWriter(std::size_t frames) const;

    TAviBuildCallbacks callbacks_;
    TAviWriterOptions options_;
    std::size_t framesWritten_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

} // namespace lumisk
