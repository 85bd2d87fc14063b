#include "tools/timelapsegrab.h"

#include "util/datadirectory.h"
#include "util/diskspace.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/numbertext.h"
#include "util/textutils.h"

namespace lumisk {

std::string TTimeLapseGrab::FramesDirectory() {
    return DataPath("Frames/");
}

std::vector<std::string> TTimeLapseGrab::PreviousFrameFiles() {
    std::vector<std::string> all;
    ListFilesRecursive(DataDirectory(), all);
    std::vector<std::string> frames;
    for (const std::string& path : all) {
        const std::string tail = RightChars(path, 12);
        if (tail.size() == 12 && LeftChars(tail, 3) == "FRA" && RightChars(tail, 3) == "BMP")
            frames.push_back(path);
    }
    return frames;
}

std::string TTimeLapseGrab::NextFrameFile() {
    try {
        return NextNumberedFileName(FramesDirectory(), "FRA", "BMP");
    } catch (const ENoNumberedNameLeft&) {
        // Said in the grab's own terms, with the way out.
        throw ELumiskError("All frame numbers are used: FRA99999.BMP exists. Build the movie "
                           "and delete the frames before grabbing more");
    }
}

std::optional<std::int64_t> TTimeLapseGrab::DelayMilliseconds(const std::string& text) {
    if (text == "0") return std::nullopt;
    return static_cast<std::int64_t>(StrToInt(text)) * 60000;
}

std::optional<std::int64_t> TTimeLapseGrab::DelayMilliseconds(const std::string& minutes,
                                                              const std::string& seconds) {
    const std::optional<std::int64_t> delay = DelayMilliseconds(minutes);
    if (seconds == "0") return delay;
    return delay.value_or(0) + static_cast<std::int64_t>(StrToInt(seconds)) * 1000;
}

bool TTimeLapseGrab::MaximumReached(const std::string& text, std::int32_t uniqueFrames) {
    if (text == "0") return false;
    return StrToInt(text) == uniqueFrames;
}

std::string TTimeLapseGrab::FramesUsageText() {
    return "Disk space used by frames = " + ByteSizeText(DirectoryTreeSize(FramesDirectory()));
}

std::string TTimeLapseGrab::FreeSpaceText() {
    return "Disk space remaining = " + ByteSizeText(FreeDiskSpace(DataDirectory()));
}

} // namespace lumisk
