#include "tools/previewwatch.h"

#include "imaging/previewpaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace lumisk {

namespace {

std::int64_t Nanoseconds(const timespec& t) {
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

} // namespace

TPreviewWatch::TPreviewWatch() : before_(Scan()) {}

TPreviewWatch::TFiles TPreviewWatch::Scan() {
    TFiles files;
    DIR* dir = ::opendir(PreviewsDirectory().c_str());
    if (!dir) return files;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        files.emplace(entry->d_name, TStamp{st.st_dev, st.st_ino, st.st_size,
                                            Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)});
    }
    ::closedir(dir);
    return files;
}

std::optional<std::string> TPreviewWatch::Written() const {
    const TFiles after = Scan();
    const std::pair<const std::string, TStamp>* newest = nullptr;
    for (const auto& file : after) {
        const auto old = before_.find(file.first);
        if (old != before_.end() && old->second == file.second) continue;
        if (!newest || file.second.ModifiedNs > newest->second.ModifiedNs) newest = &file;
    }
    if (!newest) return std::nullopt;
    return PreviewsDirectory() + newest->first;
}

} // namespace lumisk
