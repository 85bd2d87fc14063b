#pragma once
// Every file of the program is built from one directory: the executable's
// own, or the one given with --data-dir. Paths use "/" and end with it.
#include <string>

namespace lumisk {

// The data directory with a trailing "/".
const std::string& DataDirectory();

// Sets the data directory (a trailing "/" is added when missing).
void SetDataDirectory(const std::string& directory);

// DataDirectory() + name.
std::string DataPath(const std::string& name);

} // namespace lumisk
