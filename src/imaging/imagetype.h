#pragma once
// Finding an image file's type by trying the decoders on its bytes, in the
// fixed order BMP, GIF, JPEG, PNG; the first that accepts decides, so a tie
// goes to the earlier type. The JPEG attempt reads only the header (a JPEG cut
// short is still "JPG"); the others read and check the whole file. No scratch
// files are written: the bytes are read once and tried in memory.
#include <cstddef>
#include <string>

namespace lumisk {

// "BMP", "GIF", "JPG" or "PNG", or "Undetermined" when no decoder accepts the
// file, and also when it is missing, empty or unreadable. Never throws.
std::string DetectImageType(const std::string& path) noexcept;

// The same for bytes held in memory.
std::string DetectImageType(const char* data, std::size_t size) noexcept;

} // namespace lumisk
