#pragma once
// Where the image viewer keeps the pictures it makes the desktop wallpaper,
// and writing the next one. Each use writes a new "LMK" + five digits +
// ".BMP" file; earlier ones are kept, so the desktop's current wallpaper is
// never overwritten underneath it.
#include <QImage>
#include <string>

namespace lumisk {

// The directory for wallpaper files, with a trailing "/": the value of the
// environment variable "windir" (exact case; the last entry when the
// environment holds several) when it is not empty, else $XDG_DATA_HOME/
// backgrounds when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/backgrounds. Nothing is created here.
std::string WallpaperDirectory();

// Writes picture as a 24-bit BMP file under the next free number in
// WallpaperDirectory() (created when missing) and returns its path. Throws
// EFCreateError when the file cannot be written, EConvertError when a file
// there carries a number that is not one.
std::string SaveWallpaperFile(const QImage& picture);

} // namespace lumisk
