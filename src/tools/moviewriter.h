#pragma once
// A movie file of one video stream: frames of one size played at a constant
// number of frames per second. The AVI builder writes every kind of movie
// through this interface, so the build loop does not know the file format.
//
// Frames come as the AVI builder reads them: 24-bit blue-green-red pixels,
// bottom row first, each row padded to a multiple of four bytes (RowBytes).
//
// States: created -> Open -> Start -> AddFrame... -> Finish (or Abandon at
// any point after Open). What a writer leaves behind when a write fails or
// when it is destroyed unfinished is its own (see each writer's header).
// Errors: ELumiskError for a format the writer cannot write (refused before
// any frame), EFCreateError naming the file for a failure to create or write
// it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace lumisk {

struct TMovieFormat {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t FramesPerSecond = 0;
    // Resolution of the first frame; 0 when unknown. Only the AVI keeps it.
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;
};

class TMovieWriter {
  public:
    virtual ~TMovieWriter() = default;

    // Bytes of one 24-bit row of that width, padded to a multiple of four.
    static std::uint32_t RowBytes(std::int32_t width) {
        return ((static_cast<std::uint32_t>(width) * 24 + 31) & ~31u) / 8;
    }

    // Creates (or empties) the file. Throws EFCreateError.
    virtual void Open(const std::string& path) = 0;
    // Fixes the stream's format and writes the headers.
    virtual void Start(const TMovieFormat& format) = 0;
    // Appends one frame of RowBytes(Width) x Height bytes.
    virtual void AddFrame(std::span<const std::uint8_t> pixels) = 0;
    // Completes the movie and closes the file.
    virtual void Finish() = 0;
    // Gives the movie up: closes the file unfinished and removes it.
    virtual void Abandon() = 0;

    virtual std::uint32_t FramesWritten() const = 0;
};

} // namespace lumisk
