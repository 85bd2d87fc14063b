#include "util/inifile.h"

#include "util/lumiskerror.h"

#include "util/fileio.h"
#include "util/numbertext.h"
#include "util/utf16text.h"

#include <cstddef>
#include <optional>
#include <utility>

namespace lumisk {

namespace {

// The profile functions hand back at most this many characters of a value.
constexpr std::size_t kMaxValueLength = 2047;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// What one line of the profile is. Lines are kept as read and only parsed
// when looked at, so comments, blank lines and odd lines survive a rewrite.
struct TLine {
    enum class Kind { Blank, Comment, Section, Key };
    Kind kind = Kind::Blank;
    std::string name;                 // section or key name, trimmed
    std::optional<std::string> value; // trimmed; none for a key line without "="
};

TLine ParseLine(const std::string& raw) {
    TLine line;
    std::string text = Trim(raw);
    if (text.empty()) return line;
    if (text[0] == ';') {
        line.kind = TLine::Kind::Comment;
        return line;
    }
    if (text[0] == '[') {
        std::size_t close = text.rfind(']');
        if (close != std::string::npos) {
            line.kind = TLine::Kind::Section;
            line.name = Trim(text.substr(1, close - 1));
            return line;
        }
        // A header without its bracket is not a header; it reads as a key.
    }
    line.kind = TLine::Kind::Key;
    std::size_t eq = text.find('=');
    if (eq == std::string::npos) {
        line.name = text;
    } else {
        line.name = Trim(text.substr(0, eq));
        line.value = Trim(text.substr(eq + 1));
    }
    return line;
}

// Where a section lies: its header line and one past its last line.
struct TSectionSpan {
    std::size_t header;
    std::size_t end;
};

// Only the first section of a name counts, as with the platform's functions.
std::optional<TSectionSpan> FindSection(const std::vector<std::string>& lines,
                                        const std::string& section) {
    const std::string wanted = Trim(section);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TLine l = ParseLine(lines[i]);
        if (l.kind != TLine::Kind::Section || !SameName(l.name, wanted)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && ParseLine(lines[end]).kind != TLine::Kind::Section)
            ++end;
        return TSectionSpan{i, end};
    }
    return std::nullopt;
}

// The first line of the section holding the key.
std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, const TSectionSpan& span,
                                   const std::string& key) {
    const std::string wanted = Trim(key);
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        TLine l = ParseLine(lines[i]);
        if (l.kind == TLine::Kind::Key && SameName(l.name, wanted)) return i;
    }
    return std::nullopt;
}

std::string Unquote(const std::string& value) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    // Like the platform's profile functions, reading never fails: a file that
    // cannot be read gives every key its default. Writing it back would
    // replace the user's file with only the keys just written, so that fails.
    try {
        std::optional<std::string> data = ReadWholeFile(path_);
        if (!data) return;
        // A file saved as "Unicode" is read as the profile functions read it,
        // and written back the same way.
        encoding_ = DetectByteOrderMark(*data);
        if (encoding_ != TTextEncoding::Bytes) *data = DecodeUtf16(*data, encoding_);
        // The profile functions read past a NUL byte, and so does this: what
        // follows it stays in the file.
        lines_ = SplitTextLines(*data, TNulByte::IsText);
    } catch (const EFOpenError&) {
        unreadable_ = true;
    }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    std::string result = def;
    // The platform drops trailing blanks of the default.
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    if (auto span = FindSection(lines_, section)) {
        if (auto at = FindKey(lines_, *span, key)) {
            TLine l = ParseLine(lines_[*at]);
            // A value handed back as a C string ends at a NUL byte.
            if (l.value) result = Unquote(Trim(l.value->substr(0, l.value->find('\0'))));
        }
    }
    if (result.size() > kMaxValueLength) result.resize(kMaxValueLength);
    return result;
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t def) const {
    return StrToIntDef(ReadString(section, key, ""), def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    auto span = FindSection(lines_, section);
    if (!span) {
        lines_.push_back("[" + section + "]");
        lines_.push_back(key + "=" + value);
        dirty_ = true;
        return;
    }
    if (auto at = FindKey(lines_, *span, key)) {
        TLine l = ParseLine(lines_[*at]);
        if (l.value && *l.value == value) return;
        // The key keeps its spelling from the file; only the value changes.
        lines_[*at] = l.name + "=" + value;
        dirty_ = true;
        return;
    }
    // After the section's last non-blank line, so that blank lines that
    // separate it from the next section stay where they are.
    std::size_t insertAt = span->end;
    while (insertAt > span->header + 1 &&
           ParseLine(lines_[insertAt - 1]).kind == TLine::Kind::Blank)
        --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), key + "=" + value);
    dirty_ = true;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile() {
    if (unreadable_) throw EFCreateError(path_);
    if (!dirty_) return;
    WriteFileReplacing(path_, Text());
    dirty_ = false;
}

std::string TIniFile::Text() const {
    std::string text = JoinTextLines(lines_);
    return encoding_ == TTextEncoding::Bytes ? text : EncodeUtf16(text, encoding_);
}

} // namespace lumisk
