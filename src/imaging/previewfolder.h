#pragma once
// What the program knows of its previews folder without reading it again for
// every question: the names of the files directly in it, for the preview
// lookups, and the disk space of its whole tree (DirectoryTreeSize), for the
// statistics window.
//
// The folder is judged by its modification time and identity: the names are
// read again at the first lookup after the time changed, the disk space is
// walked again the next time it is asked for. The program's own changes go
// through Keep and Remove, which bring both up to date and then note the
// folder's new time, so that they cause no reading. A folder whose names were
// read within the clock tick of its last change is read again at the next
// lookup, since a change later in that tick would leave its time as it is;
// the disk space is not walked again for that (it would cost a walk after
// every download, each write of ours landing in the tick of the last walk):
// the statistics window walks it whenever it is shown.
//
// What the time does not show: a file rewritten in place or a change inside
// a subdirectory (the next WalkDiskSpace sees them), and, on a file system
// that stamps coarse clock ticks, a change made behind our back within the
// same tick as one of our own (seen at the folder's next change).
//
// Nothing throws: a folder that is missing or cannot be read has no files.
// Used from one thread, as the program's windows are.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace lumisk {

class TPreviewFolder {
  public:
    // directory ends with "/".
    explicit TPreviewFolder(std::string directory);

    const std::string& Directory() const { return directory_; }

    // The name on disk of the first of name + "." + extension, in the order
    // of the extensions (given in lower case), that is a file or a link to
    // one: the name exactly, the extension in any case. Of several spellings
    // of one extension, the upper-case one (which the View writes), then the
    // lower-case one, then the others in byte order. "" when there is none.
    std::string Find(const std::string& name, std::initializer_list<const char*> extensions);

    // The folder tree's disk space as known; walked again when it never was
    // or the folder's time or identity changed behind our back.
    std::int64_t DiskSpace();
    // The same, walked now.
    std::int64_t WalkDiskSpace();

    // Puts the file from (which lies outside the folder) in place as path,
    // replacing what is there: renamed, or copied when it cannot be renamed
    // (from then stays). False when it could not be put there.
    bool Keep(const std::string& from, const std::string& path);
    // Removes the file at path, in the folder's tree or elsewhere; false when
    // it could not be removed.
    bool Remove(const std::string& path);

  private:
    struct TStamp {
        bool Present = false;
        dev_t Device = 0;
        ino_t Inode = 0;
        std::int64_t ModifiedNs = 0;
        bool operator==(const TStamp&) const = default;
    };
    // How far what is known of the folder goes.
    struct TKnown {
        bool Valid = false;
        TStamp Stamp;
        bool Recent = false; // read within the tick of the folder's last change

        bool Holds(const TStamp& now) const { return Valid && !Recent && Stamp == now; }
        void ReadAt(const TStamp& stamp);
        // Our own change took the folder from before to after: false when
        // what was known no longer holds (and must be read again).
        bool Follow(const TStamp& before, const TStamp& after);
    };

    TStamp StampNow() const;
    void ReadNames(const TStamp& stamp);
    void Walk(const TStamp& stamp);
    void AddName(const std::string& name);
    void DropName(const std::string& name);
    void Forget();
    // The name below the folder when path lies directly in it, else "".
    std::string DirectName(const std::string& path) const;
    bool InTree(const std::string& path) const;

    std::string directory_;
    TKnown names_;
    // Names folded to lower case (ASCII letters only), each with the names
    // on disk that fold to it.
    std::unordered_map<std::string, std::vector<std::string>> index_;
    TKnown space_;
    std::int64_t diskSpace_ = 0;
};

// The previews folder's one instance (PreviewsDirectory()), made afresh when
// the data directory changes.
TPreviewFolder& PreviewFolder();

} // namespace lumisk
