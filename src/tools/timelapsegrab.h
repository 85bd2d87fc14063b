#pragma once
// The rules of a time-lapse grab that do not need a window: which files are
// frames of an earlier grab, the next frame's name, the delay and the
// maximum read from their fields, and the two disk texts.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumisk {

class TTimeLapseGrab {
  public:
    // The frames directory, with a trailing "/".
    static std::string FramesDirectory();

    // Files anywhere below the data directory whose last 12 characters begin
    // with "FRA" and end with "BMP" (letter case exact).
    static std::vector<std::string> PreviousFrameFiles();

    // The path of the next frame. Throws ELumiskError when FRA99999.BMP is
    // taken: frame numbers have five digits and no kept frame is overwritten.
    static std::string NextFrameFile();

    // The wait after a download: nothing for exactly "0", else the whole
    // number of minutes in milliseconds (EConvertError for other text).
    static std::optional<std::int64_t> DelayMilliseconds(const std::string& text);
    // The same with a seconds field on top: as above while the seconds are
    // exactly "0", else minutes * 60 + seconds in milliseconds (minutes of
    // exactly "0" count 0; EConvertError for other text).
    static std::optional<std::int64_t> DelayMilliseconds(const std::string& minutes,
                                                         const std::string& seconds);

    // Whether the maximum in text is reached: never for exactly "0", else
    // when the whole number equals uniqueFrames (EConvertError for other text).
    static bool MaximumReached(const std::string& text, std::int32_t uniqueFrames);

    // "Disk space used by frames = ..." and "Disk space remaining = ...".
    static std::string FramesUsageText();
    static std::string FreeSpaceText();
};

} // namespace lumisk
