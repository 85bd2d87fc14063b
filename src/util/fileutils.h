#pragma once
// Listing directory trees, numbered file names, comparing files and adding up
// sizes. Directory paths passed in end with "/" and entry names are joined to
// them directly. A directory that is missing or unreadable has no entries.
//
// Attributes on this file system: a name starting with "." is hidden;
// symbolic links count as what they point to (dangling ones are skipped);
// sockets, pipes and devices count as system entries, which no listing returns.
// Within a directory, entries are listed in byte order of their names.
#include "util/lumiskerror.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumisk {

// A listing asks for a set of attributes and receives exactly the entries
// whose attributes equal the set: {} gives ordinary files, {.Hidden = true}
// hidden files, {.Directory = true} visible subdirectories.
struct TFileAttributes {
    bool Directory = false;
    bool Hidden = false;
    bool System = false;
    bool operator==(const TFileAttributes&) const = default;
};

// Appends directory + name + "/" for every matching subdirectory ("." and
// ".." never).
void ListSubdirectories(const std::string& directory, TFileAttributes attributes,
                        std::vector<std::string>& list);

// Appends directory + name for every matching entry.
void ListFiles(const std::string& directory, TFileAttributes attributes,
               std::vector<std::string>& list);

// Replaces list by the paths of all files of the tree below root: directories
// breadth first (visible then hidden subdirectories of each), and per
// directory its hidden files, then its ordinary files. A directory reached a
// second time through a link is not walked again.
void ListFilesRecursive(const std::string& root, std::vector<std::string>& list);

// True when both files have the same size and the same bytes. Yields to the
// event loop between blocks. Throws EFOpenError naming a file that cannot be
// opened or read. Both files are closed on return.
bool FilesIdentical(const std::string& a, const std::string& b);

// The low 32 bits of the file's size as a signed number; 0 for a missing path
// or a directory.
std::int32_t FileSizeOf(const std::string& path);

// The sum of FileSizeOf over ListFilesRecursive(root).
std::int64_t DirectoryTreeSize(const std::string& root);

// True when a directory of that path exists.
bool DirectoryPresent(const std::string& path);

// directory + prefix + five-digit number + "." + extension, one above the
// highest existing number: names that end in "." + extension (any case),
// begin with prefix (exact case) and are extension + 9 characters long count;
// of those the last in case-insensitive order gives the number. Throws
// EConvertError when its number positions are not a number, and
// ENoNumberedNameLeft when that number is 99999: a sixth digit would make a
// name no later call counts, so the same file would be written over and over.
class ENoNumberedNameLeft : public ELumiskError {
  public:
    explicit ENoNumberedNameLeft(const std::string& lastPath)
        : ELumiskError("No numbered name is left: " + lastPath + " is the last one") {}
};

std::string NextNumberedFileName(const std::string& directory, const std::string& prefix,
                                 const std::string& extension);

} // namespace lumisk
