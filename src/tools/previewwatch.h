#pragma once
// Tells which preview file a View wrote. Taken before the View, it notes every
// file of the previews directory; afterwards Written() names the one that is
// new or was replaced since. The View leaves a camera's preview of another
// type in place, so the file the viewer opens first (a JPEG before a PNG) may
// be an old one: this names the picture that was actually downloaded.
// Nothing is kept open; a directory that cannot be read has no files.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

namespace lumisk {

class TPreviewWatch {
  public:
    TPreviewWatch();

    // The file new or replaced since construction (another file, size,
    // modification or change time); of several the last modified. Nothing
    // when none changed, as when a copy found the preview already holding
    // the same bytes.
    std::optional<std::string> Written() const;

  private:
    struct TStamp {
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        std::int64_t ModifiedNs = 0;
        std::int64_t ChangedNs = 0;
        bool operator==(const TStamp&) const = default;
    };
    using TFiles = std::map<std::string, TStamp>;
    static TFiles Scan();

    TFiles before_;
};

} // namespace lumisk
