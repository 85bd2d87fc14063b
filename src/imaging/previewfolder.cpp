#include "imaging/previewfolder.h"

#include "imaging/previewpaths.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace lumisk {

namespace {

constexpr std::int64_t kSecondNs = 1'000'000'000;

std::int64_t Nanoseconds(const timespec& t) {
    return std::int64_t{t.tv_sec} * kSecondNs + t.tv_nsec;
}

std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string Upper(const char* text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// A directory, or a link to one: its removal or replacement changes the
// tree by more than one file's size.
bool IsDirectoryOrLinkToOne(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyInto(const std::string& from, const std::string& to) {
    try {
        const std::optional<std::string> data = ReadWholeFile(from);
        if (!data) return false;
        WriteFileReplacing(to, *data);
        return true;
    } catch (const ELumiskError&) {
        return false;
    }
}

} // namespace

void TPreviewFolder::TKnown::ReadAt(const TStamp& stamp) {
    Valid = true;
    Stamp = stamp;
    // Later changes are stamped no earlier than the coarse clock reads now:
    // only a stamp not yet behind it could be given again.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    const std::int64_t nowNs = Nanoseconds(now);
    Recent = stamp.Present && stamp.ModifiedNs >= nowNs && stamp.ModifiedNs - nowNs < kSecondNs;
}

bool TPreviewFolder::TKnown::Follow(const TStamp& before, const TStamp& after) {
    // Knowledge read within a tick stays as unsure after our change as it
    // was before (Recent is kept), and is still worth following.
    if (!Valid || !(Stamp == before)) {
        Valid = false;
        return false;
    }
    Stamp = after;
    return true;
}

TPreviewFolder::TPreviewFolder(std::string directory) : directory_(std::move(directory)) {}

TPreviewFolder::TStamp TPreviewFolder::StampNow() const {
    struct stat st {};
    if (::stat(directory_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return {true, st.st_dev, st.st_ino, Nanoseconds(st.st_mtim)};
}

void TPreviewFolder::ReadNames(const TStamp& stamp) {
    index_.clear();
    names_.ReadAt(stamp);
    DIR* dir = ::opendir(directory_.c_str());
    if (!dir) return;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        bool file = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Links count as what they lead to.
            struct stat st {};
            file = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
        }
        if (file) AddName(entry->d_name);
    }
    ::closedir(dir);
}

void TPreviewFolder::Walk(const TStamp& stamp) {
    space_.ReadAt(stamp);
    diskSpace_ = DirectoryTreeSize(directory_);
}

void TPreviewFolder::AddName(const std::string& name) {
    std::vector<std::string>& spellings = index_[Folded(name)];
    if (std::find(spellings.begin(), spellings.end(), name) == spellings.end())
        spellings.push_back(name);
}

void TPreviewFolder::DropName(const std::string& name) {
    const auto it = index_.find(Folded(name));
    if (it == index_.end()) return;
    std::erase(it->second, name);
    if (it->second.empty()) index_.erase(it);
}

void TPreviewFolder::Forget() {
    names_.Valid = false;
    space_.Valid = false;
}

std::string TPreviewFolder::DirectName(const std::string& path) const {
    if (!InTree(path)) return {};
    std::string name = path.substr(directory_.size());
    return name.find('/') == std::string::npos ? name : std::string();
}

bool TPreviewFolder::InTree(const std::string& path) const {
    return path.size() > directory_.size() && path.compare(0, directory_.size(), directory_) == 0;
}

std::string TPreviewFolder::Find(const std::string& name,
                                 std::initializer_list<const char*> extensions) {
    if (const TStamp now = StampNow(); !names_.Holds(now)) ReadNames(now);
    std::string key = Folded(name) + ".";
    const std::size_t stem = key.size();
    for (const char* extension : extensions) {
        key.resize(stem);
        key += extension;
        const auto it = index_.find(key);
        if (it == index_.end()) continue;
        const std::string upper = Upper(extension);
        const std::string* best = nullptr;
        int bestRank = 0;
        for (const std::string& candidate : it->second) {
            if (candidate.compare(0, name.size(), name) != 0) continue;
            const std::string_view spelled = std::string_view(candidate).substr(stem);
            const int rank = spelled == upper ? 0 : spelled == extension ? 1 : 2;
            if (!best || rank < bestRank || (rank == bestRank && candidate < *best)) {
                best = &candidate;
                bestRank = rank;
            }
        }
        if (best) return *best;
    }
    return {};
}

std::int64_t TPreviewFolder::DiskSpace() {
    if (const TStamp now = StampNow(); !space_.Valid || !(space_.Stamp == now)) Walk(now);
    return diskSpace_;
}

std::int64_t TPreviewFolder::WalkDiskSpace() {
    Walk(StampNow());
    return diskSpace_;
}

bool TPreviewFolder::Keep(const std::string& from, const std::string& path) {
    const TStamp before = StampNow();
    const std::int32_t oldSize = FileSizeOf(path);
    const bool wasDirectory = IsDirectoryOrLinkToOne(path);
    const bool kept = std::rename(from.c_str(), path.c_str()) == 0 || CopyInto(from, path);
    const TStamp after = StampNow();
    const std::string name = DirectName(path);
    if (!kept || name.empty() || wasDirectory) {
        // Nothing of ours to follow (or more than one file changed): the
        // folder's time tells the rest.
        if (InTree(path)) Forget();
        return kept;
    }
    if (names_.Follow(before, after)) AddName(name);
    if (space_.Follow(before, after)) diskSpace_ += FileSizeOf(path) - std::int64_t{oldSize};
    return true;
}

bool TPreviewFolder::Remove(const std::string& path) {
    const TStamp before = StampNow();
    const std::int32_t size = FileSizeOf(path);
    const bool wasDirectory = IsDirectoryOrLinkToOne(path);
    const bool removed = std::remove(path.c_str()) == 0;
    const TStamp after = StampNow();
    if (!removed || !InTree(path)) return removed;
    if (wasDirectory) {
        Forget();
        return true;
    }
    const std::string name = DirectName(path);
    if (names_.Follow(before, after) && !name.empty()) DropName(name);
    if (space_.Follow(before, after)) diskSpace_ -= size;
    return true;
}

TPreviewFolder& PreviewFolder() {
    static std::unique_ptr<TPreviewFolder> folder;
    const std::string directory = PreviewsDirectory();
    if (!folder || folder->Directory() != directory)
        folder = std::make_unique<TPreviewFolder>(directory);
    return *folder;
}

} // namespace lumisk
