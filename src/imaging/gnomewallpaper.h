#pragma once
// The wallpaper on GNOME and desktops that read the same settings: three
// `gsettings set` commands under org.gnome.desktop.background, picture-uri and
// picture-uri-dark (the file as a file:// URI) and picture-options
// ("wallpaper" for tiled, "centered" otherwise). When gsettings cannot be
// found on PATH nothing is changed. Commands run one after the other; their
// output and exit status are ignored.
//
// The lookup and the runner are injectable so that tests record the commands
// instead of changing the real desktop.
#include "util/wallpapersetter.h"

#include <functional>
#include <string>
#include <vector>

namespace lumisk {

class TGnomeWallpaper : public IWallpaperSetter {
  public:
    // The full path of a program found on PATH, or "" when there is none.
    using TFindProgram = std::function<std::string(const std::string& name)>;
    // Runs program with arguments and waits for it to end.
    using TRunProgram =
        std::function<void(const std::string& program, const std::vector<std::string>& arguments)>;

    // FindOnPath and RunAndWait.
    TGnomeWallpaper();
    TGnomeWallpaper(TFindProgram find, TRunProgram run);

    void SetWallpaper(const std::string& path, bool tiled) override;

    // The real lookup and runner: QStandardPaths::findExecutable, and
    // QProcess with the output discarded and at most ten seconds to start
    // and ten to finish (then the program is killed).
    static std::string FindOnPath(const std::string& name);
    static void RunAndWait(const std::string& program, const std::vector<std::string>& arguments);

    // "file://" and the absolute path (relative ones are taken from the
    // current directory), every byte outside letters, digits, "-._~/"
    // percent-encoded.
    static std::string FileUri(const std::string& path);

  private:
    TFindProgram find_;
    TRunProgram run_;
};

} // namespace lumisk
