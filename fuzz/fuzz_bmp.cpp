// The bitmap reader alone, which is this program's own code: any file it
// accepts must read back identically after being written by the writer.
#include "imaging/bmpdecoder.h"
#include "imaging/bmpwriter.h"
#include "imaging/imageerror.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumisk;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QImage picture;
    try {
        picture = TBmpDecoder::Decode(bytes);
    } catch (const EImageError&) {
        if (TBmpDecoder::Accepts(bytes)) std::abort();
        return 0;
    }
    if (picture.format() != QImage::Format_BGR888) std::abort();
    const QImage again = TBmpDecoder::Decode(EncodeBitmap(picture));
    if (again != picture) {
        std::fprintf(stderr, "round trip through the writer changed the picture\n");
        std::abort();
    }
    return 0;
}
