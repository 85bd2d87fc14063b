#include "util/diskspace.h"

#include "util/services.h"

#include <sys/statvfs.h>

namespace lumisk {

std::int64_t FreeDiskSpace(const std::string& path) {
    if (Services().FreeSpace) return Services().FreeSpace(path);
    struct statvfs fs {};
    if (::statvfs(path.c_str(), &fs) != 0) return -1;
    return static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
}

} // namespace lumisk
