#pragma once
// The process-wide seams to the outside world. The program installs the real
// implementations at start-up; tests install recorders. The pointers are not
// owned here.
#include <functional>
#include <string>

namespace lumisk {

class IUserDialogs;
class IShellOpener;
class IWallpaperSetter;
class IClockSetter;

struct TServices {
    IUserDialogs* Dialogs = nullptr;
    IShellOpener* Shell = nullptr;
    IWallpaperSetter* Wallpaper = nullptr;
    IClockSetter* Clock = nullptr;
    // Bytes free to the user on the file system holding a path, -1 when it
    // cannot be asked; empty means the real file system (tests replace it).
    std::function<long long(const std::string& path)> FreeSpace;
    // Ends the process after the shutdown sequence; tests record the call.
    std::function<void()> ExitProcess;
};

TServices& Services();

} // namespace lumisk
