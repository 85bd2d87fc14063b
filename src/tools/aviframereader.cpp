#include "tools/aviframereader.h"

#include "imaging/bmpdecoder.h"
#include "imaging/imagelimits.h"
#include "tools/aviwriter.h"
#include "util/lumiskerror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisk {

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

std::uint32_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}

std::uint32_t U32(const std::string& b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

std::int32_t I32(const std::string& b, std::size_t at) {
    return static_cast<std::int32_t>(U32(b, at));
}

// Whether the bytes begin with a bitmap file header and a full info header.
bool HasInfoHeader(const std::string& b) {
    return b.size() >= kFileHeader + kInfoHeader && b[0] == 'B' && b[1] == 'M' &&
           U32(b, kFileHeader) >= kInfoHeader;
}

} // namespace

void TAviFrameReader::ReadFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0) throw EFOpenError(path);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw EFOpenError(path);
    }
    // Frames of one grab have one size: the buffer is sized once.
    file_.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < file_.size()) {
        const ssize_t n = ::read(fd, file_.data() + done, file_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            throw EFOpenError(path);
        }
        if (n == 0) break; // shrank while read: the decoder judges what is left
        done += static_cast<std::size_t>(n);
    }
    file_.resize(done);
    ::close(fd);
}

std::span<const std::uint8_t> TAviFrameReader::Read(const std::string& path) {
    ReadFile(path);
    const bool first = width_ == 0;
    if (first && HasInfoHeader(file_)) {
        xPels_ = I32(file_, kFileHeader + 24);
        yPels_ = I32(file_, kFileHeader + 28);
    }
    copied_ = TakeAsItIs();
    if (!copied_) {
        QImage picture = TBmpDecoder::Decode(std::string_view(file_));
        if (first) {
            width_ = picture.width();
            height_ = picture.height();
            rowBytes_ = TAviWriter::RowBytes(width_);
        }
        Convert(picture);
    }
    return frame_;
}

bool TAviFrameReader::TakeAsItIs() {
    if (!HasInfoHeader(file_)) return false;
    const std::uint32_t offBits = U32(file_, 10);
    const std::int32_t width = I32(file_, kFileHeader + 4);
    const std::int32_t height = I32(file_, kFileHeader + 8);
    if (U16(file_, kFileHeader + 12) != 1 || U16(file_, kFileHeader + 14) != 24 ||
        U32(file_, kFileHeader + 16) != 0 || width <= 0 || height <= 0)
        return false;
    if (width_ != 0 && (width != width_ || height != height_)) return false;
    const std::uint64_t image = std::uint64_t{TAviWriter::RowBytes(width)} * height;
    if (offBits < kFileHeader + U32(file_, kFileHeader) || offBits + image > file_.size())
        return false;
    if (width_ == 0) {
        CheckImageSize(width, height, "BMP");
        width_ = width;
        height_ = height;
        rowBytes_ = TAviWriter::RowBytes(width);
    }
    frame_ = std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(file_.data()) + offBits, image);
    return true;
}

void TAviFrameReader::Convert(const QImage& picture) {
    decoded_ =
        picture.size() == QSize(width_, height_)
            ? picture
            : picture.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (decoded_.format() != QImage::Format_BGR888)
        decoded_ = decoded_.convertToFormat(QImage::Format_BGR888);
    const std::size_t image = std::size_t{rowBytes_} * height_;
    if (pixels_.size() != image) pixels_.assign(image, 0);
    const std::size_t used = std::size_t{3} * width_;
    for (std::int32_t y = 0; y < height_; ++y) {
        std::uint8_t* row = pixels_.data() + std::size_t{rowBytes_} * (height_ - 1 - y);
        std::memcpy(row, decoded_.constScanLine(y), used);
        std::memset(row + used, 0, rowBytes_ - used);
    }
    frame_ = pixels_;
}

QImage TAviFrameReader::Picture() const {
    if (!copied_) return decoded_;
    // The frame's rows are bottom-up in the file buffer: the mirror copies.
    return QImage(frame_.data(), width_, height_, static_cast<qsizetype>(rowBytes_),
                  QImage::Format_BGR888)
        .mirrored();
}

} // namespace lumisk
