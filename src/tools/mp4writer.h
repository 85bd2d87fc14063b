#pragma once
// Writes an MP4 movie of one H.264 video stream through FFmpeg's libraries
// (encoder libx264), in yuv420p so that every player plays it, at a constant
// rate, with its index at the front of the file so that a web page can play
// it while it loads.
//
// yuv420p needs an even width and height: an odd one is padded by one pixel
// that repeats the last column or row, so the picture itself is neither
// scaled nor cut. The encoder runs with x264's own choice of threads and its
// default preset; the quality is x264's constant rate factor.
//
// States as for every movie writer (moviewriter.h). An MP4 is playable only
// once complete (its index is written last), so a writer never leaves a part
// of one: a failed write, a failed Finish, Abandon and destroying a writer
// that was opened but not finished all remove the file. After a failure the
// writer takes no more frames.
// Errors: ELumiskError for frames per second of 0 or less, a size of 0, or
// a format the encoder refuses (libx264 missing included), before any frame;
// EFCreateError naming the file for any failure to create or write it.
#include "tools/moviewriter.h"

#include <memory>
#include <vector>

namespace lumisk {

struct TMp4WriterOptions {
    // x264's constant rate factor, 0 (best, largest) to 51; 23 is its default.
    int Crf = 23;
};

class TMp4Writer final : public TMovieWriter {
  public:
    static constexpr int kMinCrf = 0;
    static constexpr int kMaxCrf = 51;

    explicit TMp4Writer(TMp4WriterOptions options = {});
    ~TMp4Writer() override;
    TMp4Writer(const TMp4Writer&) = delete;
    TMp4Writer& operator=(const TMp4Writer&) = delete;

    void Open(const std::string& path) override;
    void Start(const TMovieFormat& format) override;
    void AddFrame(std::span<const std::uint8_t> pixels) override;
    void Finish() override;
    void Abandon() override;

    std::uint32_t FramesWritten() const override { return frames_; }
    // The size of the encoded pictures: the frames' size made even.
    std::int32_t EncodedWidth() const;
    std::int32_t EncodedHeight() const;

  private:
    struct TLibav;

    void Encode(bool flush);
    [[noreturn]] void Fail();
    void Release();

    TMp4WriterOptions options_;
    std::string path_;
    std::unique_ptr<TLibav> av_;
    std::vector<std::uint8_t> padded_; // a frame of an odd size, made even
    TMovieFormat format_;
    std::uint32_t frames_ = 0;
    bool started_ = false;
};

} // namespace lumisk
