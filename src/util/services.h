#pragma once
// The process-wide seams to the outside world. The program installs the real
// implementations at start-up; tests install recorders. The pointers are not
// owned here.
#include <functional>

namespace lumisk {

class IUserDialogs;
class IShellOpener;
class IWallpaperSetter;

struct TServices {
    IUserDialogs* Dialogs = nullptr;
    IShellOpener* Shell = nullptr;
    IWallpaperSetter* Wallpaper = nullptr;
    // Ends the process after the shutdown sequence; tests record the call.
    std::function<void()> ExitProcess;
};

TServices& Services();

} // namespace lumisk
