#include "imaging/pngdecoder.h"

#include "imaging/imageerror.h"
#include "imaging/imagelimits.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

namespace lumisk {

namespace {

constexpr const char* kFormat = "PNG";

// One read of one file. libpng reports a fatal error by calling OnError,
// which jumps back to Guarded.
struct TSession {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::string_view Bytes;
    std::size_t Pos = 0;
    char Message[256] = "";
    bool KeepPixels = false; // false: only check the file
    std::uint32_t Width = 0, Height = 0;
    int Passes = 1;
    bool Interlaced = false;
    std::size_t RowBytes = 0;
    int Channels = 3;
    std::uint8_t* Buffer = nullptr; // one row, or every row of an interlaced picture
    QImage* Picture = nullptr;

    explicit TSession(std::string_view bytes) : Bytes(bytes) {}
    ~TSession() { png_destroy_read_struct(&Png, &Info, nullptr); }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* s = static_cast<TSession*>(png_get_error_ptr(png));
    std::snprintf(s->Message, sizeof s->Message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, std::size_t length) {
    auto* s = static_cast<TSession*>(png_get_io_ptr(png));
    if (length > s->Bytes.size() - s->Pos) png_error(png, "unexpected end of file");
    std::memcpy(out, s->Bytes.data() + s->Pos, length);
    s->Pos += length;
}

// Runs one step with libpng's fatal errors turned into a false result. The
// steps hold no object with a destructor, so the jump skips no cleanup.
bool Guarded(TSession& s, void (*step)(TSession&)) {
    if (setjmp(png_jmpbuf(s.Png))) return false;
    step(s);
    return true;
}

void ReadInfoStep(TSession& s) {
    s.Info = png_create_info_struct(s.Png);
    if (!s.Info) png_error(s.Png, "not enough memory");
    png_set_read_fn(s.Png, &s, ReadBytes);
    png_set_crc_action(s.Png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_read_info(s.Png, s.Info);
}

void SetTransformsStep(TSession& s) {
    png_structp png = s.Png;
    const int colorType = png_get_color_type(png, s.Info);
    const int depth = png_get_bit_depth(png, s.Info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, s.Info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    s.Passes = png_set_interlace_handling(png);
    png_read_update_info(png, s.Info);
    s.Channels = png_get_channels(png, s.Info);
    s.RowBytes = png_get_rowbytes(png, s.Info);
    if ((s.Channels != 3 && s.Channels != 4) || s.RowBytes != std::size_t{s.Width} * s.Channels)
        png_error(png, "unexpected pixel layout");
}

// Blue, green, red (and alpha) bytes of one row into one picture row, with
// transparent pixels blended onto white.
void ConvertRow(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t width, int channels) {
    if (channels == 3) {
        std::memcpy(dst, src, std::size_t{width} * 3);
        return;
    }
    for (std::uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        const unsigned a = src[3];
        for (int c = 0; c < 3; ++c)
            dst[c] = static_cast<std::uint8_t>((src[c] * a + 255 * (255 - a) + 127) / 255);
    }
}

void ReadRowsStep(TSession& s) {
    const bool keepAll = s.KeepPixels && s.Interlaced;
    for (int pass = 0; pass < s.Passes; ++pass) {
        for (std::uint32_t y = 0; y < s.Height; ++y) {
            std::uint8_t* row = s.Buffer + (keepAll ? s.RowBytes * y : 0);
            png_read_row(s.Png, row, nullptr);
            if (s.KeepPixels && !s.Interlaced)
                ConvertRow(row, s.Picture->scanLine(static_cast<int>(y)), s.Width, s.Channels);
        }
    }
    png_read_end(s.Png, nullptr);
}

[[noreturn]] void Fail(const TSession& s) {
    throw EImageError(kFormat, s.Message);
}

void Read(TSession& s) {
    if (s.Bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(s.Bytes.data()), 0, 8))
        throw EImageError(kFormat, "no PNG signature");
    s.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
    if (!s.Png) throw std::bad_alloc();
    if (!Guarded(s, ReadInfoStep)) Fail(s);
    s.Width = png_get_image_width(s.Png, s.Info);
    s.Height = png_get_image_height(s.Png, s.Info);
    CheckImageSize(s.Width, s.Height, kFormat);
    s.Interlaced = png_get_interlace_type(s.Png, s.Info) != PNG_INTERLACE_NONE;
    if (!Guarded(s, SetTransformsStep)) Fail(s);
    if (s.KeepPixels) {
        *s.Picture =
            QImage(static_cast<int>(s.Width), static_cast<int>(s.Height), QImage::Format_BGR888);
        if (s.Picture->isNull()) throw EImageError(kFormat, "not enough memory");
    }

    std::vector<std::uint8_t> buffer(s.RowBytes * (s.KeepPixels && s.Interlaced ? s.Height : 1));
    s.Buffer = buffer.data();
    if (!Guarded(s, ReadRowsStep)) Fail(s);
    if (s.KeepPixels && s.Interlaced)
        for (std::uint32_t y = 0; y < s.Height; ++y)
            ConvertRow(s.Buffer + s.RowBytes * y, s.Picture->scanLine(static_cast<int>(y)), s.Width,
                       s.Channels);
}

} // namespace

bool TPngDecoder::Accepts(std::string_view bytes) noexcept {
    try {
        TSession s(bytes);
        Read(s);
        return true;
    } catch (...) {
        return false;
    }
}

QImage TPngDecoder::Decode(std::string_view bytes) {
    TSession s(bytes);
    s.KeepPixels = true;
    QImage picture;
    s.Picture = &picture;
    Read(s);
    return picture;
}

} // namespace lumisk
