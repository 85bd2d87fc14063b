#include "imaging/bmpdecoder.h"

#include "imaging/imageerror.h"
#include "imaging/imagelimits.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace lumisk {

namespace {

constexpr const char* kFormat = "BMP";

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

constexpr std::size_t kFileHeaderSize = 14;

[[noreturn]] void Fail(const std::string& reason) {
    throw EImageError(kFormat, reason);
}

// Little-endian fields; callers have checked that they lie inside the bytes.
std::uint16_t U16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      static_cast<std::uint8_t>(b[at + 1]) << 8);
}

std::uint32_t U32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2))
                                                        << 16;
}

std::int32_t I32(std::string_view b, std::size_t at) {
    return static_cast<std::int32_t>(U32(b, at));
}

struct TBgr {
    std::uint8_t B = 0, G = 0, R = 0;
};

// One colour channel of a BI_BITFIELDS (or 16/32-bit BI_RGB) pixel, scaled to
// 8 bits. Any mask works: a zero mask gives 0, gaps in the mask are kept in
// the value's range.
class TChannel {
  public:
    explicit TChannel(std::uint32_t mask)
        : mask_(mask), shift_(mask == 0 ? 0 : std::countr_zero(mask)),
          max_(mask == 0 ? 1 : mask >> shift_) {}
    std::uint8_t Of(std::uint32_t pixel) const {
        const std::uint64_t v = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((v * 255 + max_ / 2) / max_);
    }

  private:
    std::uint32_t mask_;
    int shift_;
    std::uint64_t max_;
};

struct THeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    bool TopDown = false;
    unsigned Bits = 0;
    std::uint32_t Compression = kBiRgb;
    std::uint32_t OffBits = 0;
    std::array<std::uint32_t, 3> Masks{}; // red, green, blue
    std::vector<TBgr> Palette;
};

THeader ReadHeader(std::string_view b) {
    if (b.size() < kFileHeaderSize + 4 || b[0] != 'B' || b[1] != 'M') Fail("no bitmap file header");
    THeader h;
    h.OffBits = U32(b, 10);
    const std::uint32_t infoSize = U32(b, 14);
    std::uint32_t colorsUsed = 0;
    std::size_t paletteEntry = 4;
    std::int64_t rawHeight = 0;
    unsigned planes = 0;
    if (infoSize == 12) {
        if (b.size() < kFileHeaderSize + 12) Fail("truncated header");
        h.Width = U16(b, 18);
        rawHeight = U16(b, 20);
        planes = U16(b, 22);
        h.Bits = U16(b, 24);
        paletteEntry = 3;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 ||
               infoSize == 124) {
        if (b.size() < kFileHeaderSize + infoSize) Fail("truncated header");
        h.Width = I32(b, 18);
        rawHeight = I32(b, 22);
        planes = U16(b, 26);
        h.Bits = U16(b, 28);
        h.Compression = U32(b, 30);
        colorsUsed = U32(b, 46);
    } else {
        Fail("unsupported header size " + std::to_string(infoSize));
    }
    if (planes != 1) Fail("plane count is not 1");
    if (rawHeight == std::numeric_limits<std::int32_t>::min()) Fail("bad height");
    h.TopDown = rawHeight < 0;
    h.Height = rawHeight < 0 ? -rawHeight : rawHeight;
    CheckImageSize(h.Width, h.Height, kFormat);

    switch (h.Compression) {
    case kBiRgb:
        if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 &&
            h.Bits != 32)
            Fail("unsupported bit count " + std::to_string(h.Bits));
        break;
    case kBiRle8:
    case kBiRle4:
        if (h.Bits != (h.Compression == kBiRle8 ? 8u : 4u)) Fail("RLE with wrong bit count");
        if (h.TopDown) Fail("top-down RLE bitmap");
        break;
    case kBiBitfields:
        if (h.Bits != 16 && h.Bits != 32) Fail("bit fields with wrong bit count");
        break;
    default:
        Fail("unsupported compression " + std::to_string(h.Compression));
    }

    std::size_t paletteAt = kFileHeaderSize + infoSize;
    if (h.Compression == kBiBitfields) {
        // The three masks follow a 40-byte header and are part of larger ones.
        if (infoSize == 40) paletteAt += 12;
        if (b.size() < kFileHeaderSize + 52) Fail("truncated colour masks");
        h.Masks = {U32(b, 54), U32(b, 58), U32(b, 62)};
    } else if (h.Bits == 16) {
        h.Masks = {0x7C00, 0x03E0, 0x001F};
    } else if (h.Bits == 32) {
        h.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    }

    if (h.OffBits < kFileHeaderSize + infoSize || h.OffBits > b.size())
        Fail("pixel data offset outside the file");

    if (h.Bits <= 8) {
        std::size_t entries = std::size_t{1} << h.Bits;
        if (colorsUsed != 0 && colorsUsed < entries) entries = colorsUsed;
        // Writers often announce a full palette but store fewer entries; take
        // only what lies before the pixel data.
        const std::size_t room =
            h.OffBits >= paletteAt ? (h.OffBits - paletteAt) / paletteEntry : 0;
        if (entries > room) entries = room;
        h.Palette.resize(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t at = paletteAt + i * paletteEntry;
            h.Palette[i] = {static_cast<std::uint8_t>(b[at]), static_cast<std::uint8_t>(b[at + 1]),
                            static_cast<std::uint8_t>(b[at + 2])};
        }
    }
    return h;
}

QImage NewPicture(const THeader& h) {
    QImage image(static_cast<int>(h.Width), static_cast<int>(h.Height), QImage::Format_BGR888);
    if (image.isNull()) Fail("not enough memory");
    image.fill(Qt::black);
    return image;
}

void PutIndex(std::uint8_t* pixel, const std::vector<TBgr>& palette, unsigned index) {
    if (index < palette.size()) {
        pixel[0] = palette[index].B;
        pixel[1] = palette[index].G;
        pixel[2] = palette[index].R;
    }
}

QImage DecodeUncompressed(std::string_view b, const THeader& h) {
    const std::int64_t rowBits = h.Width * h.Bits;
    const std::int64_t stride = (rowBits + 31) / 32 * 4;
    // The last row may lack its padding.
    const std::int64_t needed = stride * (h.Height - 1) + (rowBits + 7) / 8;
    if (needed > static_cast<std::int64_t>(b.size() - h.OffBits)) Fail("pixel data truncated");

    QImage image = NewPicture(h);
    const auto* data = reinterpret_cast<const std::uint8_t*>(b.data()) + h.OffBits;
    const TChannel red(h.Masks[0]), green(h.Masks[1]), blue(h.Masks[2]);
    const int width = static_cast<int>(h.Width);
    for (std::int64_t r = 0; r < h.Height; ++r) {
        const std::uint8_t* src = data + r * stride;
        std::uint8_t* dst = image.scanLine(static_cast<int>(h.TopDown ? r : h.Height - 1 - r));
        switch (h.Bits) {
        case 1:
        case 4:
        case 8: {
            const unsigned perByte = 8 / h.Bits;
            const unsigned mask = (1u << h.Bits) - 1;
            for (int x = 0; x < width; ++x) {
                const unsigned slot = static_cast<unsigned>(x) % perByte;
                const unsigned index = (src[x / perByte] >> (8 - h.Bits * (slot + 1))) & mask;
                PutIndex(dst + 3 * x, h.Palette, index);
            }
            break;
        }
        case 16:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t px = src[2 * x] | src[2 * x + 1] << 8;
                dst[3 * x] = blue.Of(px);
                dst[3 * x + 1] = green.Of(px);
                dst[3 * x + 2] = red.Of(px);
            }
            break;
        case 24:
            std::memcpy(dst, src, static_cast<std::size_t>(width) * 3);
            break;
        case 32:
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = src + 4 * x;
                const std::uint32_t px =
                    p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
                dst[3 * x] = blue.Of(px);
                dst[3 * x + 1] = green.Of(px);
                dst[3 * x + 2] = red.Of(px);
            }
            break;
        }
    }
    return image;
}

// RLE8 and RLE4: runs and literal groups, with end-of-line, end-of-bitmap and
// delta escapes. Rows count from the bottom. Pixels beyond the right or top
// edge are dropped; data that ends before the end-of-bitmap escape (or before
// the last row is reached) is a truncated file.
// With paint false the data is only walked: detection need not allocate the
// picture an RLE header announces (a few bytes can claim 100 megapixels).
QImage DecodeRle(std::string_view b, const THeader& h, bool paint = true) {
    QImage image = paint ? NewPicture(h) : QImage();
    const auto* d = reinterpret_cast<const std::uint8_t*>(b.data()) + h.OffBits;
    const std::size_t n = b.size() - h.OffBits;
    const bool rle4 = h.Compression == kBiRle4;
    std::int64_t x = 0, y = 0;
    std::size_t i = 0;
    auto put = [&](unsigned index) {
        if (paint && x < h.Width && y < h.Height)
            PutIndex(image.scanLine(static_cast<int>(h.Height - 1 - y)) + 3 * x, h.Palette, index);
        ++x;
    };
    while (y < h.Height) {
        if (n - i < 2) Fail("RLE data truncated");
        const unsigned count = d[i], value = d[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k)
                put(rle4 ? (k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (n - i < 2) Fail("RLE data truncated");
            x += d[i];
            y += d[i + 1];
            i += 2;
        } else {
            const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (n - i < padded) Fail("RLE data truncated");
            for (unsigned k = 0; k < value; ++k)
                put(rle4 ? (k % 2 == 0 ? d[i + k / 2] >> 4 : d[i + k / 2] & 0x0F) : d[i + k]);
            i += padded;
        }
    }
    return image;
}

} // namespace

QImage TBmpDecoder::Decode(std::string_view bytes) {
    const THeader h = ReadHeader(bytes);
    if (h.Compression == kBiRle8 || h.Compression == kBiRle4) return DecodeRle(bytes, h);
    return DecodeUncompressed(bytes, h);
}

bool TBmpDecoder::Accepts(std::string_view bytes) noexcept {
    try {
        const THeader h = ReadHeader(bytes);
        if (h.Compression == kBiRle8 || h.Compression == kBiRle4)
            DecodeRle(bytes, h, false);
        else
            DecodeUncompressed(bytes, h);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace lumisk
