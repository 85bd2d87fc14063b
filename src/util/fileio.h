#pragma once
// Whole-file reading and writing. Data files are read whole and rewritten
// whole; a rewrite goes through a temporary file beside the file and a
// rename, so the file on disk is always either the old or the new one. Only
// a folder that cannot be written makes a rewrite write the file in place.
#include <optional>
#include <string>
#include <vector>

namespace lumisk {

// A regular file (or a link to one) is there.
bool FileExists(const std::string& path);

// Anything is there, or something that cannot be looked at: only a name that
// does not exist (or a dangling link) is missing.
bool PathExists(const std::string& path);

// The whole file; throws EFOpenError when it exists but cannot be read or is
// no regular file (a pipe or device is never opened, so it cannot hold the
// program up), and returns nothing when there is no such file.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file with data, unless it already holds exactly data; throws
// EFCreateError (naming path) on any failure, leaving the old file as it was.
// A symbolic link stays a link: the file it leads to gets the data. A file
// without any write permission (read-only, also for root) and anything that
// is no regular file are never replaced. When the folder refuses the
// temporary file but the file itself can be written, it is written in place
// (room for the new size is reserved first, so a full disk changes nothing).
// A file that is not there yet gets the mode newFile asks for.
enum class TNewFileMode {
    Ordinary,  // that of any new file: 0666 less the umask
    OwnerOnly, // 0600 less the umask, for a file that may hold passwords
};
void WriteFileReplacing(const std::string& path, const std::string& data,
                        TNewFileMode newFile = TNewFileMode::Ordinary);

// The file a rewrite of path writes: path, or the end of its chain of links.
std::string SaveTarget(const std::string& path);

// Removes the temporary files that rewrites killed before their rename left
// behind. For a path ending in "/", every such file in that folder; for a
// file, only its own ones, beside its SaveTarget. Other names are never
// touched: a temporary is named <file>.lumisk-save-XXXXXX.
void RemoveSaveLeftovers(const std::string& path);

// ReadWholeFile for a data file the program holds in memory: one that exists
// but cannot be read is remembered, and WriteDataFile then never replaces it
// (EFCreateError) while something is there, since nothing of it was read.
std::optional<std::string> ReadDataFile(const std::string& path);
void WriteDataFile(const std::string& path, const std::string& data,
                   TNewFileMode newFile = TNewFileMode::Ordinary);

// What a NUL byte means to SplitTextLines.
enum class TNulByte {
    EndsText, // data files: anything after it is ignored
    IsText    // profile files: an ordinary byte of its line
};

// Text lines: a line ends at CR LF, a lone CR or a lone LF; a line end after
// the last line makes no extra empty line.
std::vector<std::string> SplitTextLines(const std::string& data, TNulByte nul = TNulByte::EndsText);

// Each line followed by CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);

} // namespace lumisk
