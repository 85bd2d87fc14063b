#include "util/fileutils.h"

#include "util/events.h"
#include "util/lumiskerror.h"
#include "util/numbertext.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumisk {

namespace {

struct TEntry {
    std::string Name;
    bool Present = false; // false for a link whose target is gone
    TFileAttributes Attributes;
};

TFileAttributes AttributesOf(const std::string& name, const struct stat& st) {
    TFileAttributes a;
    a.Directory = S_ISDIR(st.st_mode);
    a.Hidden = !name.empty() && name[0] == '.';
    a.System = !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
    return a;
}

// All entries of the directory except "." and "..", sorted by name so that
// listings do not depend on the file system's own order.
std::vector<TEntry> ReadEntries(const std::string& directory) {
    std::vector<TEntry> entries;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return entries;
    const int fd = ::dirfd(dir);
    while (const dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        TEntry entry;
        struct stat st {};
        // Links count as what they point to.
        if (::fstatat(fd, d->d_name, &st, 0) == 0) {
            entry.Present = true;
            entry.Attributes = AttributesOf(name, st);
        }
        entry.Name = std::move(name);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const TEntry& x, const TEntry& y) { return x.Name < y.Name; });
    return entries;
}

void ListMatching(const std::string& directory, TFileAttributes attributes, const char* suffix,
                  std::vector<std::string>& list) {
    for (const TEntry& e : ReadEntries(directory))
        if (e.Present && e.Attributes == attributes) list.push_back(directory + e.Name + suffix);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithIgnoreCase(const std::string& text, const std::string& tail) {
    if (tail.size() > text.size()) return false;
    return std::equal(tail.begin(), tail.end(),
                      text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Case-insensitive text order; names equal apart from case fall back to byte
// order so that the choice does not depend on the listing order.
bool LessIgnoreCase(const std::string& x, const std::string& y) {
    const auto folded = [](std::string s) {
        for (char& c : s)
            c = AsciiLower(c);
        return s;
    };
    return std::pair(folded(x), x) < std::pair(folded(y), y);
}

// An open file descriptor, closed on every way out.
class TReadFile {
  public:
    explicit TReadFile(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
            Close();
            throw EFOpenError(path);
        }
        size_ = st.st_size;
    }
    ~TReadFile() { Close(); }
    TReadFile(const TReadFile&) = delete;
    TReadFile& operator=(const TReadFile&) = delete;

    off_t Size() const { return size_; }

    // Fills buffer as far as the file allows; fewer bytes only at its end.
    std::size_t ReadBlock(char* buffer, std::size_t capacity) {
        std::size_t filled = 0;
        while (filled < capacity) {
            ssize_t n = ::read(fd_, buffer + filled, capacity - filled);
            if (n < 0) throw EFOpenError(path_);
            if (n == 0) break;
            filled += static_cast<std::size_t>(n);
        }
        return filled;
    }

  private:
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    std::string path_;
    int fd_ = -1;
    off_t size_ = 0;
};

constexpr std::size_t kCompareBlock = 64 * 1024;

} // namespace

void ListSubdirectories(const std::string& directory, TFileAttributes attributes,
                        std::vector<std::string>& list) {
    if (!attributes.Directory) return;
    ListMatching(directory, attributes, "/", list);
}

void ListFiles(const std::string& directory, TFileAttributes attributes,
               std::vector<std::string>& list) {
    ListMatching(directory, attributes, "", list);
}

void ListFilesRecursive(const std::string& root, std::vector<std::string>& list) {
    std::vector<std::string> directories{root};
    // A link to an ancestor would otherwise make the walk endless.
    std::set<std::pair<dev_t, ino_t>> walked;
    struct stat st {};
    if (::stat(root.c_str(), &st) == 0) walked.emplace(st.st_dev, st.st_ino);
    std::vector<std::string> found;
    for (std::size_t i = 0; i < directories.size(); ++i) {
        found.clear();
        ListSubdirectories(directories[i], {.Directory = true}, found);
        ListSubdirectories(directories[i], {.Directory = true, .Hidden = true}, found);
        for (std::string& sub : found) {
            if (::stat(sub.c_str(), &st) != 0) continue;
            if (walked.emplace(st.st_dev, st.st_ino).second) directories.push_back(std::move(sub));
        }
    }
    std::vector<std::string> files;
    for (const std::string& directory : directories) {
        ListFiles(directory, {.Hidden = true}, files);
        ListFiles(directory, {}, files);
    }
    list = std::move(files);
}

bool FilesIdentical(const std::string& a, const std::string& b) {
    TReadFile fileA(a);
    TReadFile fileB(b);
    if (fileA.Size() != fileB.Size()) return false;
    std::vector<char> blockA(kCompareBlock);
    std::vector<char> blockB(kCompareBlock);
    for (;;) {
        const std::size_t na = fileA.ReadBlock(blockA.data(), kCompareBlock);
        const std::size_t nb = fileB.ReadBlock(blockB.data(), kCompareBlock);
        if (na != nb || std::memcmp(blockA.data(), blockB.data(), na) != 0) return false;
        if (na < kCompareBlock) return true;
        ProcessPendingEvents();
    }
}

std::int32_t FileSizeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(st.st_size));
}

std::int64_t DirectoryTreeSize(const std::string& root) {
    std::vector<std::string> files;
    ListFilesRecursive(root, files);
    std::int64_t total = 0;
    for (const std::string& file : files)
        total += FileSizeOf(file);
    return total;
}

bool DirectoryPresent(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string NextNumberedFileName(const std::string& directory, const std::string& prefix,
                                 const std::string& extension) {
    const std::string dotExtension = "." + extension;
    const std::size_t length = extension.size() + 9; // prefix, five digits, point
    const std::string* highest = nullptr;
    const std::vector<TEntry> entries = ReadEntries(directory);
    for (const TEntry& e : entries) {
        if (!EndsWithIgnoreCase(e.Name, dotExtension)) continue;
        if (e.Name.compare(0, 3, prefix) != 0 || e.Name.size() != length) continue;
        if (highest == nullptr || LessIgnoreCase(*highest, e.Name)) highest = &e.Name;
    }
    if (highest == nullptr) return directory + prefix + "00000" + dotExtension;
    const std::int64_t next = std::int64_t{StrToInt(highest->substr(3, 5))} + 1;
    if (next > 99999) throw ENoNumberedNameLeft(directory + *highest);
    std::string digits = std::to_string(next);
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
    return directory + prefix + digits + dotExtension;
}

} // namespace lumisk
