#include "imaging/gifdecoder.h"

#include "imaging/imageerror.h"
#include "imaging/imagelimits.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>

namespace lumisk {

namespace {

constexpr const char* kFormat = "GIF";

struct TReader {
    std::string_view Bytes;
    std::size_t Pos = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* r = static_cast<TReader*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(length), r->Bytes.size() - r->Pos);
    std::memcpy(out, r->Bytes.data() + r->Pos, n);
    r->Pos += n;
    return static_cast<int>(n);
}

class TGifFile {
  public:
    explicit TGifFile(std::string_view bytes) : reader_{bytes} {
        int error = 0;
        gif_ = DGifOpen(&reader_, ReadBytes, &error);
        if (!gif_) Fail(error);
    }
    ~TGifFile() {
        int error = 0;
        DGifCloseFile(gif_, &error);
    }
    TGifFile(const TGifFile&) = delete;
    TGifFile& operator=(const TGifFile&) = delete;

    GifFileType* operator->() const { return gif_; }
    GifFileType* Get() const { return gif_; }

    // Throws the library's last error unless result is GIF_OK.
    void Check(int result) const {
        if (result != GIF_OK) Fail(gif_->Error);
    }

  private:
    [[noreturn]] static void Fail(int error) {
        const char* text = GifErrorString(error);
        throw EImageError(kFormat, text ? text : "error " + std::to_string(error));
    }

    TReader reader_;
    GifFileType* gif_ = nullptr;
};

struct TColour {
    std::uint8_t B = 0, G = 0, R = 0;
};

TColour ColourAt(const ColorMapObject* map, int index) {
    if (!map || index < 0 || index >= map->ColorCount) return {};
    const GifColorType& c = map->Colors[index];
    return {c.Blue, c.Green, c.Red};
}

// The rows of an interlaced image arrive in four passes: every 8th row from
// 0, every 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            order.push_back(y);
    return order;
}

// Decodes the image whose descriptor was just read, drawing it on picture
// when there is one.
void DecodeFirstImage(const TGifFile& gif, int transparent, QImage* picture) {
    const GifImageDesc& desc = gif->Image;
    CheckImageSize(desc.Width, desc.Height, kFormat);
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map) throw EImageError(kFormat, "no colour table");

    std::int64_t screenWidth = gif->SWidth, screenHeight = gif->SHeight;
    if (screenWidth <= 0 || screenHeight <= 0) {
        screenWidth = std::int64_t{desc.Left} + desc.Width;
        screenHeight = std::int64_t{desc.Top} + desc.Height;
    }
    CheckImageSize(screenWidth, screenHeight, kFormat);

    if (picture) {
        *picture = QImage(static_cast<int>(screenWidth), static_cast<int>(screenHeight),
                          QImage::Format_BGR888);
        if (picture->isNull()) throw EImageError(kFormat, "not enough memory");
        const TColour bg =
            gif->SColorMap ? ColourAt(gif->SColorMap, gif->SBackGroundColor) : TColour{};
        picture->fill(QColor(bg.R, bg.G, bg.B));
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
    for (int y : RowOrder(desc.Height, desc.Interlace)) {
        gif.Check(DGifGetLine(gif.Get(), line.data(), desc.Width));
        const std::int64_t row = std::int64_t{desc.Top} + y;
        if (!picture || row >= screenHeight) continue;
        std::uint8_t* dst = picture->scanLine(static_cast<int>(row));
        for (int x = 0; x < desc.Width; ++x) {
            const std::int64_t column = std::int64_t{desc.Left} + x;
            if (column >= screenWidth) break;
            if (line[x] == transparent) continue;
            const TColour c = ColourAt(map, line[x]);
            dst[3 * column] = c.B;
            dst[3 * column + 1] = c.G;
            dst[3 * column + 2] = c.R;
        }
    }
}

// Reads every record up to the trailer; decodes the first image.
void Read(std::string_view bytes, QImage* picture) {
    TGifFile gif(bytes);
    bool haveImage = false;
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        gif.Check(DGifGetRecordType(gif.Get(), &type));
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            gif.Check(DGifGetExtension(gif.Get(), &code, &block));
            if (!haveImage && code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
                GraphicsControlBlock control{};
                if (DGifExtensionToGCB(4, block + 1, &control) == GIF_OK)
                    transparent = control.TransparentColor;
            }
            while (block)
                gif.Check(DGifGetExtensionNext(gif.Get(), &block));
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            gif.Check(DGifGetImageDesc(gif.Get()));
            if (!haveImage) {
                DecodeFirstImage(gif, transparent, picture);
                haveImage = true;
            } else {
                int codeSize = 0;
                GifByteType* block = nullptr;
                gif.Check(DGifGetCode(gif.Get(), &codeSize, &block));
                while (block)
                    gif.Check(DGifGetCodeNext(gif.Get(), &block));
            }
        } else {
            throw EImageError(kFormat, "unknown record");
        }
    }
    if (!haveImage) throw EImageError(kFormat, "no image");
}

} // namespace

bool TGifDecoder::Accepts(std::string_view bytes) noexcept {
    try {
        Read(bytes, nullptr);
        return true;
    } catch (...) {
        return false;
    }
}

QImage TGifDecoder::Decode(std::string_view bytes) {
    QImage picture;
    Read(bytes, &picture);
    return picture;
}

} // namespace lumisk
