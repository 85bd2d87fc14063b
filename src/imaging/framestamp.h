#pragma once
// Burns a short text (a date and time: digits, '-', ':' and spaces; other
// characters are left blank) into the bottom-right corner of a picture:
// light glyphs of a built-in pixel font on a darkened box, so it reads on
// any background and needs no font of the system (the commands run without
// a display). The glyphs grow with the picture's height; on a
// picture too small for the box it is cut off at the left and top. Returns
// the stamped copy in Format_RGB32; a null picture is returned as it is.
#include <QImage>
#include <string>

namespace lumisk {

QImage StampCorner(const QImage& picture, const std::string& text);

} // namespace lumisk
