#include "tools/oldpreviewremover.h"

#include "imaging/previewpaths.h"
#include "util/bytetext.h"
#include "util/fileutils.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <strings.h>

namespace lumisk {

namespace {

bool HasExtension(const std::string& name, const char* extension) {
    return name.size() >= 4 && ::strcasecmp(name.c_str() + name.size() - 4, extension) == 0;
}

bool IsBitmap(const std::string& name) {
    return HasExtension(name, ".bmp");
}

bool IsPicture(const std::string& name) {
    return HasExtension(name, ".gif") || HasExtension(name, ".jpg") || HasExtension(name, ".png");
}

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// The file's directory really lies inside root (given as a real path): a
// linked subdirectory may lead anywhere, and what lies there is not ours.
bool InsideRoot(const std::string& file, const std::string& realRoot) {
    const std::string::size_type slash = file.rfind('/');
    const std::string parent = RealPath(slash == std::string::npos ? "." : file.substr(0, slash));
    return !parent.empty() && !realRoot.empty() &&
           (parent == realRoot || parent.rfind(realRoot + "/", 0) == 0);
}

// Names are compared without regard to letter case: a file the user named
// "cam.jpg" still belongs to the camera "Cam".
std::string FoldedName(const std::string& name) {
    return BytesToDisplay(name).toCaseFolded().toStdString();
}

} // namespace

TOldPreviewRemover::TOldPreviewRemover(const std::vector<std::string>& descriptions) {
    for (const std::string& description : descriptions)
        names_.insert(FoldedName(SafePreviewName(description)));
}

bool TOldPreviewRemover::IsOld(const std::string& relativeName) const {
    if (IsBitmap(relativeName)) return true;
    if (!IsPicture(relativeName)) return false;
    // No safe name holds a "/", so any file in a subdirectory misses here.
    return names_.count(FoldedName(relativeName.substr(0, relativeName.size() - 4))) == 0;
}

std::int32_t TOldPreviewRemover::Remove(const std::string& directory,
                                        const std::function<void(std::int32_t)>& afterEach) const {
    std::vector<std::string> files;
    ListFilesRecursive(directory, files);
    const std::string realRoot = RealPath(directory);
    std::int32_t removed = 0;
    auto remove = [&](const std::string& path) {
        RemovePreviewFile(path);
        ++removed;
        if (afterEach) afterEach(removed);
    };
    std::vector<std::string> pictures;
    for (const std::string& path : files) {
        if (path.rfind(directory, 0) != 0 || !InsideRoot(path, realRoot)) continue;
        const std::string relative = path.substr(directory.size());
        if (IsBitmap(relative))
            remove(path);
        else if (IsOld(relative))
            pictures.push_back(path);
    }
    for (const std::string& path : pictures)
        remove(path);
    return removed;
}

} // namespace lumisk
