#pragma once
// Making an image file the desktop wallpaper through the installed setter
// (Services().Wallpaper); without one nothing happens. Nothing is shown.
#include <string>

namespace lumisk {

// Hands path and tiled to the setter, then lets pending events run.
void SetDesktopWallpaper(const std::string& path, bool tiled);

} // namespace lumisk
