#pragma once
// Catalogue texts are bytes and are never transcoded on their way through
// files. The GUI shows them as UTF-8 when they are valid UTF-8, else as
// Windows-1252; what the user types is stored as UTF-8.
#include <QString>
#include <string>

namespace lumisk {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(const std::string& bytes);

// The text a user sees for stored bytes.
QString BytesToDisplay(const std::string& bytes);

// Typed text as UTF-8 bytes, cut to at most capacity bytes without splitting
// a character. A negative capacity means no limit.
std::string DisplayToBytes(const QString& text, int capacity = -1);

// Bytes cut to at most capacity bytes (the catalogue's field rule).
std::string CutBytes(const std::string& bytes, std::size_t capacity);

// The text without CR, LF and NUL. A field is one line of a data file, and
// these are the characters that would end the line (or the whole text)
// there; every other byte stays as it is.
std::string WithoutLineBreaks(const std::string& bytes);
QString WithoutLineBreaks(const QString& text);

// Case-insensitive equality of two byte texts as the user reads them
// (decoded as above, then compared with Unicode case folding).
bool SameTextIgnoreCase(const std::string& a, const std::string& b);

} // namespace lumisk
