#pragma once
// UTF-16 text (a profile file saved as "Unicode") to the bytes the program
// keeps its texts in, and back, without losing a code unit: characters become
// UTF-8, and an unpaired surrogate its three-byte form, which the encoder
// turns back into the same unit.
#include <string>

namespace lumisk {

// The byte-order mark that starts the data, or Bytes when there is none.
enum class TTextEncoding { Bytes, Utf16Le, Utf16Be };
TTextEncoding DetectByteOrderMark(const std::string& data);

// The code units after the byte-order mark as UTF-8. An odd last byte is a
// unit of its own.
std::string DecodeUtf16(const std::string& data, TTextEncoding encoding);

// The mark and the text as UTF-16. Bytes that do not form UTF-8 are taken as
// Windows-1252, the way the program shows them.
std::string EncodeUtf16(const std::string& bytes, TTextEncoding encoding);

} // namespace lumisk
