#include "util/utf16text.h"

#include "util/bytetext.h"

namespace lumisk {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    auto put = [&out](char32_t byte) { out += static_cast<char>(byte); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

// The code point of the UTF-8 sequence at i and its length, or length 0 when
// the bytes there form none. Surrogates are accepted (DecodeUtf16 writes them).
char32_t ReadUtf8(const std::string& bytes, std::size_t i, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    length = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (i + extra >= bytes.size()) return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF) return 0;
    length = extra + 1;
    return cp;
}

} // namespace

TTextEncoding DetectByteOrderMark(const std::string& data) {
    if (data.size() >= 2 && data[0] == '\xFF' && data[1] == '\xFE') return TTextEncoding::Utf16Le;
    if (data.size() >= 2 && data[0] == '\xFE' && data[1] == '\xFF') return TTextEncoding::Utf16Be;
    return TTextEncoding::Bytes;
}

std::string DecodeUtf16(const std::string& data, TTextEncoding encoding) {
    const bool big = encoding == TTextEncoding::Utf16Be;
    auto unitAt = [&](std::size_t i) -> char32_t {
        const char32_t first = static_cast<unsigned char>(data[i]);
        const char32_t second = i + 1 < data.size() ? static_cast<unsigned char>(data[i + 1]) : 0;
        return big ? (first << 8 | second) : (second << 8 | first);
    };
    std::string out;
    out.reserve(data.size() / 2);
    for (std::size_t i = 2; i < data.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < data.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::string EncodeUtf16(const std::string& bytes, TTextEncoding encoding) {
    const bool big = encoding == TTextEncoding::Utf16Be;
    std::string out;
    out.reserve(2 * bytes.size() + 2);
    auto put = [&](char32_t unit) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        out += big ? high : low;
        out += big ? low : high;
    };
    put(0xFEFF);
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = 0;
        char32_t cp = ReadUtf8(bytes, i, length);
        if (length == 0) {
            cp = BytesToDisplay(bytes.substr(i, 1)).at(0).unicode();
            length = 1;
        }
        i += length;
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

} // namespace lumisk
