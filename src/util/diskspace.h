#pragma once
// Free space of the file system that holds a path.
#include <cstdint>
#include <string>

namespace lumisk {

// Bytes available to the user (as the platform reports free bytes available
// to the caller), or -1 when the file system cannot be asked.
std::int64_t FreeDiskSpace(const std::string& path);

} // namespace lumisk
