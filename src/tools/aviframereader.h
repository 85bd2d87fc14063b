#pragma once
// Reads frame files into the pixel layout of an uncompressed 24-bit movie:
// bottom row first, blue-green-red, rows padded to four bytes. The first
// frame read fixes the movie's size; a later frame of another size is
// scaled (smoothly, ignoring its proportions) to that size, so that one
// camera that changed its picture size mid-grab still gives a whole movie.
//
// A frame that already is a 24-bit bottom-up BI_RGB bitmap of the movie's
// size is taken as it is: its pixel bytes go to the movie unchanged. Any
// other frame is decoded by the bitmap decoder.
//
// One file buffer and one pixel buffer are reused for all frames; the span
// returned by Read stays valid until the next Read.
// Errors: EFOpenError when a file cannot be read, EImageError when it is not
// a readable bitmap.
#include <QImage>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumisk {

class TAviFrameReader {
  public:
    // Reads the frame; the first call fixes Width and Height.
    std::span<const std::uint8_t> Read(const std::string& path);

    // The last frame read, as a picture (built on demand, top row first).
    QImage Picture() const;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Resolution found in the first frame's own header, 0 when it has none.
    std::int32_t XPelsPerMeter() const { return xPels_; }
    std::int32_t YPelsPerMeter() const { return yPels_; }
    // Whether the last frame was taken without decoding.
    bool LastWasCopied() const { return copied_; }

  private:
    void ReadFile(const std::string& path);
    bool TakeAsItIs();
    void Convert(const QImage& picture);

    std::string file_;
    std::vector<std::uint8_t> pixels_;
    std::span<const std::uint8_t> frame_;
    QImage decoded_; // the last decoded frame at the movie's size
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t xPels_ = 0;
    std::int32_t yPels_ = 0;
    std::uint32_t rowBytes_ = 0;
    bool copied_ = false;
};

} // namespace lumisk
