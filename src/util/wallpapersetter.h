#pragma once
// The desktop's wallpaper setting. The program installs the implementation for
// its desktop in Services().Wallpaper; tests install recorders. Failures are
// never reported: a wallpaper that cannot be set simply stays as it was.
#include <string>

namespace lumisk {

class IWallpaperSetter {
  public:
    virtual ~IWallpaperSetter() = default;
    // path is the full path of an image file; tiled repeats it over the
    // desktop, otherwise it is centred.
    virtual void SetWallpaper(const std::string& path, bool tiled) = 0;
};

} // namespace lumisk
