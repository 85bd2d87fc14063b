#include "viewers/wallpaperfiles.h"

#include "imaging/bmpwriter.h"
#include "util/fileutils.h"

#include <QDir>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace lumisk {

namespace {

// The value of the last "name=" entry of the environment, compared with
// case; getenv would answer the first.
std::string LastEnvironmentValue(const char* name) {
    const std::size_t length = std::strlen(name);
    std::string value;
    for (char** entry = environ; entry && *entry; ++entry)
        if (std::strncmp(*entry, name, length) == 0 && (*entry)[length] == '=')
            value = *entry + length + 1;
    return value;
}

std::string WithSlash(std::string directory) {
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory;
}

} // namespace

std::string WallpaperDirectory() {
    const std::string windir = LastEnvironmentValue("windir");
    if (!windir.empty()) return WithSlash(windir);
    const std::string data = LastEnvironmentValue("XDG_DATA_HOME");
    if (!data.empty() && data.front() == '/') return WithSlash(data) + "backgrounds/";
    return WithSlash(LastEnvironmentValue("HOME")) + ".local/share/backgrounds/";
}

std::string SaveWallpaperFile(const QImage& picture) {
    const std::string directory = WallpaperDirectory();
    // A directory that cannot be made shows up as the file that cannot be
    // written.
    QDir().mkpath(QString::fromLocal8Bit(directory));
    const std::string path = NextNumberedFileName(directory, "LMK", "BMP");
    SaveImageAsBitmap(picture, path);
    return path;
}

} // namespace lumisk
