#pragma once
// A profile (INI) file with the rules of the platform's profile functions:
// section and key names match without regard to case; writing an existing key
// replaces its value where it stands; a new key goes to the end of its section
// and a new section to the end of the file. Values read are at most 2047
// characters. The file is read once on construction and written whole (through
// a temporary file and a rename) by UpdateFile. A NUL byte is an ordinary byte
// of its line (a value read ends there); a file starting with a UTF-16
// byte-order mark is read as UTF-16 (texts come out as UTF-8) and written back
// as UTF-16 with the same mark, every code unit kept.
#include "util/utf16text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumisk {

class TIniFile {
public:
    // A missing or unreadable file is an empty profile; UpdateFile then
    // refuses (EFCreateError) to overwrite a file it could not read.
    explicit TIniFile(std::string path);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal, or hexadecimal after "$", "0x", "0X"; def for anything else.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t def) const;
    // Any non-zero number is true.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Writes the profile when it changed; throws EFCreateError.
    void UpdateFile();

    // The file's bytes as UpdateFile would write them (CR LF lines).
    std::string Text() const;

    // The file is there but could not be read (every key read its default).
    bool Unreadable() const { return unreadable_; }

private:
    std::string path_;
    std::vector<std::string> lines_;
    bool dirty_ = false;
    bool unreadable_ = false;
    TTextEncoding encoding_ = TTextEncoding::Bytes;
};

} // namespace lumisk
