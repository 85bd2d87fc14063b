#pragma once
// What a data file held when this process last read or wrote it. Another
// program may write the file meanwhile; a save that finds the file still as
// recorded replaces it as it always did, and one that finds something else
// keeps what the other program changed (each file's saver says how).
#include <optional>
#include <string>
#include <utility>

namespace lumisk {

struct TFileSnapshot {
    bool Known = false;              // nothing recorded: a save simply replaces the file
    std::optional<std::string> Text; // the file's bytes; none when there was no file

    // Nothing was recorded, or the file still holds what was.
    bool Matches(const std::optional<std::string>& onDisk) const {
        return !Known || Text == onDisk;
    }
    void Record(std::optional<std::string> text) {
        Known = true;
        Text = std::move(text);
    }
};

} // namespace lumisk
