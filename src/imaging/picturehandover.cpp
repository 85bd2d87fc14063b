#include "imaging/picturehandover.h"

#include "imaging/previewfit.h"

#include <sys/stat.h>

namespace lumisk {

namespace {
TPictureHandOver* current = nullptr;
} // namespace

bool TPictureHandOver::TStamp::operator==(const TStamp& other) const {
    return Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

std::optional<TPictureHandOver::TStamp> TPictureHandOver::StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return TStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

TPictureHandOver::TPictureHandOver(const std::string& path, const QImage& picture)
    : path_(path), stamp_(StampOf(path)), picture_(picture), previous_(current) {
    current = this;
}

TPictureHandOver::~TPictureHandOver() {
    current = previous_;
}

TPictureHandOver* TPictureHandOver::Matching(const std::string& path) {
    if (!current || !current->stamp_ || current->path_ != path) return nullptr;
    if (!(StampOf(path) == current->stamp_)) return nullptr;
    return current;
}

std::optional<QImage> TPictureHandOver::Find(const std::string& path) {
    if (TPictureHandOver* handOver = Matching(path)) return handOver->picture_;
    return std::nullopt;
}

std::optional<QImage> TPictureHandOver::FindReduced(const std::string& path, int minWidth,
                                                    int minHeight) {
    TPictureHandOver* handOver = Matching(path);
    if (!handOver) return std::nullopt;
    QImage& reduced = handOver->reduced_;
    if (reduced.isNull() || reduced.width() < minWidth || reduced.height() < minHeight)
        reduced = ShrinkAtLeast(handOver->picture_, minWidth, minHeight);
    return reduced;
}

} // namespace lumisk
