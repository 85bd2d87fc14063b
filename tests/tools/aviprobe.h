#pragma once
// Looking inside AVI movies for the tests: a RIFF walker that checks every
// chunk lies within its parent, the header fields, the indexes each resolved
// to the chunks they name, and the movie as ffprobe and ffmpeg see it.
#include <QImage>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumisk::test {

struct TChunk {
    std::string Id;           // "RIFF", "LIST", "avih", ...
    std::string Form;         // form or list type for RIFF and LIST
    std::uint64_t Offset = 0; // of the chunk header in the file
    std::uint32_t Size = 0;   // payload bytes as the header states
    std::vector<TChunk> Children;
    const TChunk* Find(const std::string& id, const std::string& form = "") const;
};

// What a movie file holds, read back field by field.
struct TAviLayout {
    std::vector<TChunk> Riffs;
    std::string Problems; // structural faults found, empty when none
    // avih
    std::uint32_t MicroSecPerFrame = 0, Flags = 0, AvihFrames = 0, Streams = 0;
    std::uint32_t Width = 0, Height = 0;
    // strh
    std::string Type, Handler;
    std::uint32_t Scale = 0, Rate = 0, Length = 0, BufferSize = 0, Quality = 0;
    std::int16_t Frame[4] = {};
    // strf
    std::uint32_t InfoSize = 0, Compression = 0, ImageSize = 0, ColorsUsed = 0;
    std::int32_t InfoWidth = 0, InfoHeight = 0;
    std::uint16_t Planes = 0, Bits = 0;
    // OpenDML
    bool HasSuperIndex = false;
    std::optional<std::uint32_t> DmlhFrames;
    // Offsets of the frame data, in movie order, as found in the movi lists,
    // and as idx1 (first RIFF) and the ix00 chunks name them.
    std::vector<std::uint64_t> FrameData;
    std::vector<std::uint64_t> FramesPerRiff;
    std::vector<std::uint64_t> Idx1Data;
    std::vector<std::uint64_t> StdIndexData;
};

TAviLayout ReadAviLayout(const std::string& path);

// Frame k of the movie as stored (bottom-up, padded rows), as a picture top
// row first; a null picture when the movie has no such frame.
QImage StoredFrame(const std::string& path, const TAviLayout& layout, std::size_t k);

// A picture that differs in every channel from pixel to pixel and from frame
// to frame; Format_BGR888.
QImage FramePicture(int width, int height, int frame);

// Whether ffprobe and ffmpeg are on the path.
bool HaveFfmpeg();

struct TProbe {
    int Streams = 0;
    std::string Codec, PixelFormat, Rate;
    int Width = 0, Height = 0;
    long Frames = -1; // counted by decoding
};
TProbe FfProbe(const std::string& path);

// What "ffmpeg -v error -i movie -f null -" says (empty when all decoded).
std::string FfmpegErrors(const std::string& path);

// Frame k as ffmpeg decodes it, in 24 bits top row first.
QImage FfmpegFrame(const std::string& path, int k, int width, int height);

// Runs a program, giving its standard output; standard error goes to errors.
std::string RunTool(const std::string& program, const std::vector<std::string>& args,
                    std::string* errors = nullptr);

} // namespace lumisk::test
