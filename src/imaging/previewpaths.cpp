#include "imaging/previewpaths.h"

#include "imaging/previewfolder.h"
#include "util/datadirectory.h"

namespace lumisk {

std::string PreviewsDirectory() {
    return DataPath("Previews/");
}

std::string SafePreviewName(const std::string& description) {
    if (description == ".") return "_";
    if (description == "..") return "__";
    std::string name = description;
    for (char& c : name) {
        switch (c) {
        case '/':
        case '\\':
        case '\0':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
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
    TPreviewFolder& folder = PreviewFolder();
    const std::string name = SafePreviewName(description);
    std::string found;
    switch (order) {
    case TPreviewLookup::Panel:
        found = folder.Find(name, {"jpg", "bmp", "gif", "png"});
        break;
    case TPreviewLookup::Grid:
        found = folder.Find(name, {"bmp", "gif", "jpg", "png"});
        break;
    }
    return folder.Directory() + (found.empty() ? name : found);
}

bool RemovePreviewFile(const std::string& path) {
    return PreviewFolder().Remove(path);
}

} // namespace lumisk
