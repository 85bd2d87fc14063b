#include "util/fileio.h"

#include "util/lumiskerror.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisk {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || S_ISDIR(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        throw EFOpenError(path);
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            ::close(fd);
            throw EFOpenError(path);
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

void WriteFileReplacing(const std::string& path, const std::string& data) {
    // Every View saves the catalogue and the settings; an unchanged file is
    // not written (and synced) again.
    struct stat current {};
    if (::stat(path.c_str(), &current) == 0 && S_ISREG(current.st_mode) &&
        static_cast<std::size_t>(current.st_size) == data.size()) {
        try {
            if (ReadWholeFile(path) == data) return;
        } catch (const EFOpenError&) {
            // Unreadable: replace it.
        }
    }
    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) throw EFCreateError(path);
    const char* p = data.data();
    std::size_t left = data.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    // Keep the permissions an ordinary new file would get, not mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat old {};
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask);
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw EFCreateError(path);
    }
}

std::vector<std::string> SplitTextLines(const std::string& data) {
    std::vector<std::string> lines;
    std::size_t end = data.find('\0');
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
    for (const auto& l : lines) total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

} // namespace lumisk
