#pragma once
// A picture decoded once and handed to every display of the same file. The
// View decodes the preview it has just written and offers it here while the
// thumbnail, the preview panel and the viewer show it; their decodes of that
// file (imaging/imagefile.h) take this picture instead of reading and
// decoding the file again.
//
// The picture stands for the file only while the file is the one decoded:
// same path, device, inode, size and modification time. A file replaced or
// rewritten meanwhile is decoded afresh. The newest living hand-over is the
// one offered; when it ends the one before it (if any) is offered again.
// Hand-overs live on one thread, in nested scopes. Nothing here throws.
#include <QImage>
#include <ctime>
#include <optional>
#include <string>
#include <sys/types.h>

namespace lumisk {

class TPictureHandOver {
  public:
    // Offers picture as the decoded content of the file now at path. A file
    // that cannot be looked at gets nothing offered.
    TPictureHandOver(const std::string& path, const QImage& picture);
    ~TPictureHandOver();
    TPictureHandOver(const TPictureHandOver&) = delete;
    TPictureHandOver& operator=(const TPictureHandOver&) = delete;

    // The picture offered for path, when the file there is still the one
    // that was decoded.
    static std::optional<QImage> Find(const std::string& path);
    // The same, made smaller as ShrinkAtLeast (imaging/previewfit.h) does for
    // at least minWidth x minHeight pixels. The thumbnail and the panel ask
    // for nearly the same size: the smaller picture made for one of them
    // serves the other too when it is large enough.
    static std::optional<QImage> FindReduced(const std::string& path, int minWidth, int minHeight);

  private:
    struct TStamp {
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = -1;
        timespec Modified{};
        bool operator==(const TStamp& other) const;
    };
    static std::optional<TStamp> StampOf(const std::string& path);
    static TPictureHandOver* Matching(const std::string& path);

    std::string path_;
    std::optional<TStamp> stamp_;
    QImage picture_;
    QImage reduced_;
    TPictureHandOver* previous_;
};

} // namespace lumisk
