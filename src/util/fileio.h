#pragma once
// Whole-file reading and writing. Data files are read whole and rewritten
// whole; a rewrite goes through a temporary file in the same directory and a
// rename, so the file on disk is always either the old or the new one.
#include <optional>
#include <string>
#include <vector>

namespace lumisk {

bool FileExists(const std::string& path);

// The whole file; throws EFOpenError when it exists but cannot be read, and
// returns nothing when there is no such file.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file with data, unless it already holds exactly data; throws
// EFCreateError (naming path) on any failure, leaving the old file as it was.
void WriteFileReplacing(const std::string& path, const std::string& data);

// Text lines: a line ends at CR LF, a lone CR or a lone LF; a line end after
// the last line makes no extra empty line; a NUL byte ends the text.
std::vector<std::string> SplitTextLines(const std::string& data);

// Each line followed by CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);

} // namespace lumisk
