#pragma once
// Clears the previews directory of files no camera will ever show, before a
// batch refresh downloads new ones. A file is old when
//   - its extension is ".bmp" (in any case), wherever it lies, a camera's
//     own bitmap preview included: bitmaps are by far the largest files, and
//     the run fetches the picture again in the server's own format; or
//   - its extension is ".gif", ".jpg" or ".png" (any case) and its name
//     below the previews directory, without the extension, is not exactly
//     SafePreviewName of a camera's description. The preview lookup matches
//     the name exactly and only the extension in any case, so a file that
//     differs in letter case, or lies in a subdirectory, is never shown.
// Every other file stays. Files reached through a linked directory that
// leads out of the previews directory are never touched.
//
// Stateless apart from the set of names it was built with; never throws for
// a missing or unreadable directory (nothing is removed then).
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace lumisk {

class TOldPreviewRemover {
  public:
    // descriptions: every camera's description as the catalogue holds it.
    explicit TOldPreviewRemover(const std::vector<std::string>& descriptions);

    // relativeName: a file's path below the previews directory ("a.JPG",
    // "sub/b.png"), with "/" between directories.
    bool IsOld(const std::string& relativeName) const;

    // Deletes the old files below directory (ending with "/"): all bitmaps
    // first, then the pictures that match no camera, each pass in listing
    // order. afterEach(removedSoFar) runs after every deletion. A file that
    // cannot be deleted is counted all the same; nobody is told. Returns the
    // count.
    std::int32_t Remove(const std::string& directory,
                        const std::function<void(std::int32_t)>& afterEach = {}) const;

  private:
    std::unordered_set<std::string> names_;
};

} // namespace lumisk
