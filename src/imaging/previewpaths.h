#pragma once
// Where each camera's preview files live and how they are found. The View
// writes "<PreviewBasePath>.<TYPE>" with an upper-case type; readers try the
// extensions in their own order and match them without regard to case.
#include <string>

namespace lumisk {

// The previews directory, with a trailing "/".
std::string PreviewsDirectory();

// The description as a file name that stays inside the previews directory
// and portable: "/", "\", NUL and :*?"<>| become "_", and "." or ".." become
// "_" or "__". Every reader and writer uses this one name.
std::string SafePreviewName(const std::string& description);

// PreviewsDirectory() + SafePreviewName(description).
std::string PreviewBasePath(const std::string& description);

enum class TPreviewLookup {
    Panel, // ".jpg", ".bmp", ".gif", ".png": the preview panel and the image viewer
    Grid,  // ".bmp", ".gif", ".jpg", ".png": the thumbnail grid
};

// The first existing preview file of the camera in the reader's order (the
// name as it is on disk), or the base path without extension when none exists.
// Answered from the previews folder's index (TPreviewFolder::Find).
std::string FindPreviewFile(const std::string& description, TPreviewLookup order);

// Removes a file of the previews folder (or of its subdirectories) as one of
// the program's own changes, which the folder's index and disk space follow;
// false when it could not be removed.
bool RemovePreviewFile(const std::string& path);

} // namespace lumisk
