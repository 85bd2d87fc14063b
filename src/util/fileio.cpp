#include "util/fileio.h"

#include "util/lumiskerror.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisk {

namespace {

// A rewrite's temporary file is <file> + kSaveMark + six characters of
// mkstemp's, so that one a killed rewrite left can be told from the user's.
const std::string kSaveMark = ".lumisk-save-";
constexpr std::size_t kUniqueLength = 6;
constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsSaveLeftover(const std::string& name, const std::string& file) {
    const std::size_t tail = kSaveMark.size() + kUniqueLength;
    if (name.size() <= tail) return false;
    const std::size_t base = name.size() - tail;
    if (!file.empty() && (base != file.size() || name.compare(0, base, file) != 0)) return false;
    if (name.compare(base, kSaveMark.size(), kSaveMark) != 0) return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(base + kSaveMark.size()),
                       name.end(), [](char c) {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                  (c >= '0' && c <= '9');
                       });
}

// Files found at start-up but not read: the program holds none of their data.
std::set<std::string>& UnreadFiles() {
    static std::set<std::string> files;
    return files;
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The user made a file read-only by taking away every write permission; that
// holds for root too, as the read-only attribute does on the program's native
// system. Otherwise the permissions of whoever runs the program decide.
bool MayReplace(const std::string& target, const struct stat& st) {
    if ((st.st_mode & 0222) == 0) return false;
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0) return true;
    // Only a definite no refuses; where the question cannot be asked, the
    // rename decides.
    return errno != EACCES && errno != EROFS;
}

// Errors of a folder that will not take a new name, where the file itself may
// still be writable.
bool FolderRefused(int error) {
    return error == EACCES || error == EPERM || error == ENOSPC || error == EDQUOT;
}

// The rewrite of a file whose folder cannot be written. Not atomic, but the
// space is reserved before the first byte is written.
void WriteInPlace(const std::string& path, const std::string& target, const std::string& data) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw EFCreateError(path);
    struct stat st {};
    const auto size = static_cast<off_t>(data.size());
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && size > st.st_size && ::posix_fallocate(fd, 0, size) != 0) {
        // A failed reservation may have grown the file part of the way.
        [[maybe_unused]] const int undone = ::ftruncate(fd, st.st_size);
        ok = false;
    }
    ok = ok && WriteAll(fd, data) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) throw EFCreateError(path);
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    // The type is looked at before opening, and the open does not wait: a
    // pipe named like a data file would otherwise hold start-up forever.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        throw EFOpenError(path);
    }
    if (!S_ISREG(st.st_mode)) throw EFOpenError(path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw EFOpenError(path);
    }
    std::string data;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok) throw EFOpenError(path);
    return data;
}

std::string SaveTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return current;
        link.resize(static_cast<std::size_t>(n));
        current = link[0] == '/' ? link : FolderOf(current) + link;
    }
    return current;
}

void WriteFileReplacing(const std::string& path, const std::string& data, TNewFileMode newFile) {
    const std::string target = SaveTarget(path);
    struct stat current {};
    const bool exists = ::lstat(target.c_str(), &current) == 0;
    if (exists) {
        // A link loop, a directory, a pipe or a device is left as it is.
        if (!S_ISREG(current.st_mode) || !MayReplace(target, current)) throw EFCreateError(path);
        // Every View saves the catalogue and the settings; an unchanged file
        // is not written (and synced) again.
        if (static_cast<std::size_t>(current.st_size) == data.size()) {
            try {
                if (ReadWholeFile(target) == data) return;
            } catch (const EFOpenError&) {
                // Unreadable but writable: replace it.
            }
        }
    }
    std::string temp = target + kSaveMark + std::string(kUniqueLength, 'X');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (exists && FolderRefused(errno)) return WriteInPlace(path, target, data);
        throw EFCreateError(path);
    }
    bool ok = WriteAll(fd, data);
    if (exists && ::fchown(fd, current.st_uid, current.st_gid) != 0) {
        // Only root can give the new file the old one's owner; anyone else
        // owns the files they write anyway.
    }
    // Keep the permissions an ordinary new file would get, not mkstemp's
    // 0600, unless the file is to be the owner's alone.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t fresh = newFile == TNewFileMode::OwnerOnly ? 0600 : 0666;
    const mode_t mode = exists ? (current.st_mode & 07777) : (fresh & ~mask);
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        // A sticky folder lets nobody but the owner replace a file in it.
        if (ok && exists && FolderRefused(error)) return WriteInPlace(path, target, data);
        throw EFCreateError(path);
    }
}

void RemoveSaveLeftovers(const std::string& path) {
    const bool wholeFolder = !path.empty() && path.back() == '/';
    const std::string target = wholeFolder ? path : SaveTarget(path);
    const std::string folder = wholeFolder ? path : FolderOf(target);
    const std::string file = wholeFolder ? std::string() : NameOf(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(dir))
        if (IsSaveLeftover(entry->d_name, file)) leftovers.push_back(folder + entry->d_name);
    ::closedir(dir);
    for (const std::string& leftover : leftovers) {
        struct stat st {};
        if (::lstat(leftover.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(leftover.c_str());
    }
}

std::optional<std::string> ReadDataFile(const std::string& path) {
    try {
        std::optional<std::string> data = ReadWholeFile(path);
        UnreadFiles().erase(path);
        return data;
    } catch (const EFOpenError&) {
        UnreadFiles().insert(path);
        throw;
    }
}

void WriteDataFile(const std::string& path, const std::string& data, TNewFileMode newFile) {
    // Writing would replace the user's file with only what was added since.
    if (UnreadFiles().count(path) != 0 && PathExists(path)) throw EFCreateError(path);
    WriteFileReplacing(path, data, newFile);
}

std::vector<std::string> SplitTextLines(const std::string& data, TNulByte nul) {
    std::vector<std::string> lines;
    std::size_t end = nul == TNulByte::EndsText ? data.find('\0') : std::string::npos;
    if (end == std::string::npos) end = data.size();
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < end) {
        char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(data, start, i - start);
            if (c == '\r' && i + 1 < end && data[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < end) lines.emplace_back(data, start, end - start);
    return lines;
}

std::string JoinTextLines(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

} // namespace lumisk
