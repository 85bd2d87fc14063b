#include "imaging/jpegdecoder.h"

#include "imaging/imageerror.h"
#include "imaging/imagelimits.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace lumisk {

namespace {

constexpr const char* kFormat = "JPG";

// Progressive files can hold thousands of tiny scans, each of which costs a
// pass over the whole coefficient buffer; real encoders write at most a few
// dozen.
constexpr int kMaxScans = 500;

struct TErrorManager {
    jpeg_error_mgr Pub; // first member: the library sees only this part
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// A fatal error of the library must not return; it jumps back to Guarded.
[[noreturn]] void ErrorExit(j_common_ptr info) {
    auto* err = reinterpret_cast<TErrorManager*>(info->err);
    (*info->err->format_message)(info, err->Message);
    std::longjmp(err->Jump, 1);
}

// Warnings (premature end of data, corrupt bytes) and trace messages are not
// errors and are not printed.
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

void LimitScans(j_common_ptr info) {
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<TErrorManager*>(info->err);
        std::snprintf(err->Message, sizeof err->Message, "more than %d scans", kMaxScans);
        std::longjmp(err->Jump, 1);
    }
}

// One decompression. The struct is zeroed before the library creates it, so
// destroying it is safe whatever step failed.
struct TSession {
    jpeg_decompress_struct Info{};
    TErrorManager Error{};
    jpeg_progress_mgr Progress{};
    const unsigned char* Data = nullptr;
    unsigned long Size = 0;
    int MinWidth = 0, MinHeight = 0;
    bool Scaled = false;
    std::uint8_t* Pixels = nullptr;
    std::size_t Stride = 0;
    std::uint8_t* Row = nullptr; // four bytes per pixel, for CMYK files

    explicit TSession(std::string_view bytes)
        : Data(reinterpret_cast<const unsigned char*>(bytes.data())),
          Size(static_cast<unsigned long>(bytes.size())) {
        Info.err = jpeg_std_error(&Error.Pub);
        Error.Pub.error_exit = ErrorExit;
        Error.Pub.emit_message = IgnoreMessage;
        Error.Pub.output_message = IgnoreOutput;
        Progress.progress_monitor = LimitScans;
    }
    ~TSession() { jpeg_destroy_decompress(&Info); }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    bool IsCmyk() const {
        return Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
    }
};

// Runs one step with the library's fatal errors turned into a false result.
// A fatal error jumps back into this frame from inside the library; the steps
// hold no object with a destructor, so the jump skips no cleanup.
bool Guarded(TSession& s, void (*step)(TSession&)) {
    if (setjmp(s.Error.Jump)) return false;
    step(s);
    return true;
}

void ReadHeaderStep(TSession& s) {
    jpeg_create_decompress(&s.Info);
    s.Info.progress = &s.Progress;
    jpeg_mem_src(&s.Info, s.Data, s.Size);
    jpeg_read_header(&s.Info, TRUE);
}

void StartStep(TSession& s) {
    s.Info.out_color_space = s.IsCmyk() ? JCS_CMYK : JCS_EXT_BGR;
    if (s.Scaled) {
        s.Info.scale_denom = 8;
        for (unsigned n = 1; n <= 8; ++n) {
            s.Info.scale_num = n;
            jpeg_calc_output_dimensions(&s.Info);
            if (s.Info.output_width >= static_cast<JDIMENSION>(s.MinWidth) &&
                s.Info.output_height >= static_cast<JDIMENSION>(s.MinHeight))
                break;
        }
    }
    jpeg_start_decompress(&s.Info);
}

std::uint8_t Mul255(unsigned a, unsigned b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

void ReadRowsStep(TSession& s) {
    const JDIMENSION width = s.Info.output_width;
    const bool inverted = s.Info.saw_Adobe_marker;
    while (s.Info.output_scanline < s.Info.output_height) {
        std::uint8_t* dst = s.Pixels + s.Stride * s.Info.output_scanline;
        JSAMPROW row = s.Row ? s.Row : dst;
        if (jpeg_read_scanlines(&s.Info, &row, 1) != 1) break;
        if (!s.Row) continue;
        // Adobe writes CMYK inverted; other writers store plain ink values.
        for (JDIMENSION x = 0; x < width; ++x) {
            const std::uint8_t* in = s.Row + 4 * x;
            const unsigned k = inverted ? in[3] : 255u - in[3];
            auto ink = [&](unsigned v) { return Mul255(inverted ? v : 255u - v, k); };
            dst[3 * x] = ink(in[2]);
            dst[3 * x + 1] = ink(in[1]);
            dst[3 * x + 2] = ink(in[0]);
        }
    }
}

[[noreturn]] void Fail(const TSession& s) {
    throw EImageError(kFormat, s.Error.Message);
}

void ReadHeader(TSession& s) {
    if (!Guarded(s, ReadHeaderStep)) Fail(s);
    CheckImageSize(s.Info.image_width, s.Info.image_height, kFormat);
}

QImage DecodePicture(TSession& s) {
    ReadHeader(s);
    if (!Guarded(s, StartStep)) Fail(s);
    QImage image(static_cast<int>(s.Info.output_width), static_cast<int>(s.Info.output_height),
                 QImage::Format_BGR888);
    if (image.isNull()) throw EImageError(kFormat, "not enough memory");
    // Lines the library never delivers (it stops early only on a fatal error)
    // must not show stale memory.
    image.fill(Qt::black);
    std::vector<std::uint8_t> cmykRow;
    if (s.IsCmyk()) {
        cmykRow.resize(static_cast<std::size_t>(s.Info.output_width) * 4);
        s.Row = cmykRow.data();
    }
    s.Pixels = image.bits();
    s.Stride = static_cast<std::size_t>(image.bytesPerLine());
    if (!Guarded(s, ReadRowsStep)) Fail(s);
    return image;
}

} // namespace

bool TJpegDecoder::Accepts(std::string_view bytes) noexcept {
    try {
        TSession s(bytes);
        ReadHeader(s);
        return true;
    } catch (...) {
        return false;
    }
}

QImage TJpegDecoder::Decode(std::string_view bytes) {
    TSession s(bytes);
    return DecodePicture(s);
}

QImage TJpegDecoder::DecodeScaled(std::string_view bytes, int minWidth, int minHeight) {
    TSession s(bytes);
    s.Scaled = true;
    s.MinWidth = minWidth < 0 ? 0 : minWidth;
    s.MinHeight = minHeight < 0 ? 0 : minHeight;
    return DecodePicture(s);
}

} // namespace lumisk
