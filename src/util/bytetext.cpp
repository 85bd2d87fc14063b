#include "util/bytetext.h"

#include <array>

namespace lumisk {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five holes keep
// their C1 code points so that every byte still maps to one character.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromCp1252(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char c : bytes) {
        if (c >= 0x80 && c <= 0x9F)
            out.append(QChar(kCp1252High[c - 0x80]));
        else
            out.append(QChar(static_cast<char16_t>(c)));
    }
    return out;
}

} // namespace

bool IsValidUtf8(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned int cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= n) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = p[i + static_cast<std::size_t>(k)];
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

QString BytesToDisplay(const std::string& bytes) {
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return FromCp1252(bytes);
}

std::string DisplayToBytes(const QString& text, int capacity) {
    QByteArray utf8 = text.toUtf8();
    std::string out(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (capacity < 0 || out.size() <= static_cast<std::size_t>(capacity)) return out;
    std::size_t cut = static_cast<std::size_t>(capacity);
    // Step back over continuation bytes so that no character is split.
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    return out;
}

std::string CutBytes(const std::string& bytes, std::size_t capacity) {
    return bytes.size() <= capacity ? bytes : bytes.substr(0, capacity);
}

namespace {
constexpr bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == u'\0';
}
} // namespace

std::string WithoutLineBreaks(const std::string& bytes) {
    std::string out = bytes;
    std::erase_if(out, [](char c) { return IsLineBreak(static_cast<unsigned char>(c)); });
    return out;
}

QString WithoutLineBreaks(const QString& text) {
    QString out = text;
    out.removeIf([](QChar c) { return IsLineBreak(c.unicode()); });
    return out;
}

bool SameTextIgnoreCase(const std::string& a, const std::string& b) {
    if (a == b) return true;
    return BytesToDisplay(a).compare(BytesToDisplay(b), Qt::CaseInsensitive) == 0;
}

} // namespace lumisk
