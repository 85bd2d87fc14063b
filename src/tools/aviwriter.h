#pragma once
// Writes an uncompressed AVI movie: one video stream of 24-bit key frames
// (BI_RGB, bottom-up rows padded to four bytes), written straight to the file
// through a large buffer.
//
// A movie that fits one RIFF chunk is a plain AVI 1.0 file: RIFF "AVI " with
// LIST hdrl (avih, LIST strl with strh and strf), LIST movi with one "00db"
// chunk per frame and idx1. The room the OpenDML headers would need is kept
// as JUNK chunks. A longer movie continues the OpenDML way: further RIFF
// "AVIX" chunks each with a LIST movi, an "ix00" standard index at the end of
// every movi, the "indx" super index in the strl and LIST odml with "dmlh"
// written over that room; idx1 then covers the first RIFF only and avih
// counts the first RIFF's frames, while strh and dmlh count them all.
//
// States: created -> Open -> Start -> AddFrame... -> Finish (or Abandon at
// any point after Open). Destroying a
// writer that was opened but not finished finishes it, ignoring errors.
// After a write failed (a full disk) the writer takes no more frames and
// Finish (or the destructor) salvages the file: the whole frames that reached
// the disk get their headers and indexes, so the movie plays; when there are
// none, or even that cannot be written, the file is removed. Finish throws
// EFCreateError once a write has failed, whichever came of it.
// Errors: ELumiskError for a format that cannot be written (refused before
// any byte is written), EFCreateError naming the file for any failure to
// create or write it.
#include "tools/moviewriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumisk {

// The resolution fields are copied into the stream's bitmap header.
using TAviVideoFormat = TMovieFormat;

struct TAviWriterOptions {
    // Bytes one RIFF chunk may take, its own header included, before the movie
    // continues in the next one. Players expect the first RIFF below 1 GiB.
    std::uint64_t RiffLimit = std::uint64_t{1} << 30;
    // Frames the caller means to write; sizes the super index reserved in the
    // headers. Fewer or more frames may be written: when the reserved index is
    // full the last RIFF grows up to the format's 4 GiB limit instead.
    std::uint32_t ExpectedFrames = 0;
    std::size_t BufferBytes = std::size_t{4} << 20;
};

class TAviWriter final : public TMovieWriter {
  public:
    explicit TAviWriter(TAviWriterOptions options = {});
    ~TAviWriter() override;
    TAviWriter(const TAviWriter&) = delete;
    TAviWriter& operator=(const TAviWriter&) = delete;

    // Creates (or empties) the file. Throws EFCreateError.
    void Open(const std::string& path) override;
    // Fixes the stream's format and writes the headers. Refuses frames per
    // second of 0 or less and sizes outside 1 .. 32767 or too large for the
    // format with ELumiskError, before writing anything.
    void Start(const TAviVideoFormat& format) override;
    // Appends one frame: exactly ImageBytes() bytes, bottom row first.
    void AddFrame(std::span<const std::uint8_t> pixels) override;
    // Writes the indexes and the final counts, and closes the file. See
    // above for a writer whose writes failed.
    void Finish() override;
    // Gives the movie up: closes the file unfinished and removes it.
    void Abandon() override;

    std::uint32_t ImageBytes() const { return imageBytes_; }
    std::uint32_t FramesWritten() const override { return totalFrames_; }
    // RIFF chunks begun so far (1 for a plain AVI 1.0 file).
    std::size_t RiffCount() const { return riffs_.size() + (riffOpen_ ? 1 : 0); }

  private:
    struct TIndexEntry {
        std::uint64_t Offset = 0; // of the ix00 chunk in the file
        std::uint32_t Bytes = 0;  // of the ix00 chunk, header included
        std::uint32_t Frames = 0;
    };

    std::string Headers() const;
    std::uint64_t TrailerBytes(std::uint32_t frames, bool first, bool openDml) const;
    void BeginRiff();
    void CloseRiff(bool openDml);
    void Complete();
    void Salvage();
    bool CompleteLanded();
    void Put(const void* data, std::size_t bytes);
    void Flush(const void* extra = nullptr, std::size_t extraBytes = 0);
    void WriteAt(std::uint64_t offset, const std::string& bytes);
    [[noreturn]] void Fail();

    TAviWriterOptions options_;
    std::string path_;
    int fd_ = -1;
    bool started_ = false;
    bool failed_ = false; // a write failed; the state describes what was put
    std::vector<std::uint8_t> buffer_;
    std::uint64_t position_ = 0; // file offset of the next byte put

    TAviVideoFormat format_;
    std::uint32_t imageBytes_ = 0;
    std::uint32_t indexCapacity_ = 0; // super index entries reserved
    std::uint64_t moviStart_ = 0;     // offset of the first RIFF's LIST movi

    bool riffOpen_ = false;
    std::uint64_t riffStart_ = 0;  // offset of the current "RIFF"
    std::uint64_t riffMovi_ = 0;   // offset of the current LIST movi
    std::uint32_t riffFrames_ = 0; // frames in the current RIFF
    std::uint32_t firstRiffFrames_ = 0;
    std::uint64_t firstRiffBytes_ = 0;
    std::uint64_t firstMoviBytes_ = 0;
    std::vector<TIndexEntry> riffs_; // closed RIFFs
    std::uint32_t totalFrames_ = 0;
};

} // namespace lumisk
