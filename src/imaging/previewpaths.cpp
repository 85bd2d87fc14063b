#include "imaging/previewpaths.h"

#include "util/datadirectory.h"

#include <vector>
#include <cctype>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace lumisk {

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A name on disk equal to base + "." + ext with the extension in any case.
std::string FindAnyCase(const std::string& name, const std::string& ext) {
    DIR* dir = ::opendir(PreviewsDirectory().c_str());
    if (!dir) return {};
    std::string found;
    const std::string wanted = name + "." + ext;
    while (dirent* entry = ::readdir(dir)) {
        std::string candidate = entry->d_name;
        if (candidate.size() == wanted.size() && candidate.compare(0, name.size() + 1, name + ".") == 0 &&
            ::strcasecmp(candidate.c_str() + name.size() + 1, ext.c_str()) == 0 &&
            IsFile(PreviewsDirectory() + candidate)) {
            found = PreviewsDirectory() + candidate;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

std::string PreviewsDirectory() { return DataPath("Previews/"); }

std::string SafePreviewName(const std::string& description) {
    if (description == ".") return "_";
    if (description == "..") return "__";
    std::string name = description;
    for (char& c : name) {
        switch (c) {
        case '/': case '\\': case '\0': case ':': case '*': case '?': case '"': case '<':
        case '>': case '|':
            c = '_';
            break;
        default:
            break;
        }
    }
    return name;
}

std::string PreviewBasePath(const std::string& description) {
    return PreviewsDirectory() + SafePreviewName(description);
}

std::string FindPreviewFile(const std::string& description, TPreviewLookup order) {
    std::vector<const char*> extensions;
    switch (order) {
    case TPreviewLookup::Panel: extensions = {"jpg", "bmp", "gif", "png"}; break;
    case TPreviewLookup::Grid: extensions = {"bmp", "gif", "jpg", "png"}; break;
    }
    const std::string base = PreviewBasePath(description);
    // The View writes upper-case extensions; try the two usual spellings by
    // name before scanning the directory for an unusual one.
    for (const char* ext : extensions) {
        if (IsFile(base + "." + Upper(ext))) return base + "." + Upper(ext);
        if (IsFile(base + "." + ext)) return base + "." + ext;
    }
    const std::string name = SafePreviewName(description);
    for (const char* ext : extensions)
        if (std::string found = FindAnyCase(name, ext); !found.empty()) return found;
    return base;
}

} // namespace lumisk
