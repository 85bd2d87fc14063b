#pragma once
// The manual page lumisk(1), in roff, made from the very texts that
// `lumisk --help` and `lumisk COMMAND --help` print, so the two never part.
#include <string>

namespace lumisk::cli {

std::string ManPage(const std::string& version);

// A help text as roff lines to be set as they are (no filling): every
// character that roff would read as markup is escaped.
std::string RoffVerbatim(const std::string& text);

} // namespace lumisk::cli
