#include "util/datadirectory.h"

namespace lumisk {

namespace {
std::string& Dir() {
    static std::string dir = "./";
    return dir;
}
} // namespace

const std::string& DataDirectory() { return Dir(); }

void SetDataDirectory(const std::string& directory) {
    Dir() = directory.empty() ? std::string("./") : directory;
    if (Dir().back() != '/') Dir() += '/';
}

std::string DataPath(const std::string& name) { return Dir() + name; }

} // namespace lumisk
