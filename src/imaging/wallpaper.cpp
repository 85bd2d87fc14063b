#include "imaging/wallpaper.h"

#include "util/events.h"
#include "util/services.h"
#include "util/wallpapersetter.h"

namespace lumisk {

void SetDesktopWallpaper(const std::string& path, bool tiled) {
    if (IWallpaperSetter* setter = Services().Wallpaper) setter->SetWallpaper(path, tiled);
    ProcessPendingEvents();
}

} // namespace lumisk
