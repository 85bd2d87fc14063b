#include "tools/aviwriter.h"

#include "util/lumiskerror.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace lumisk {

namespace {

constexpr std::uint32_t kAvihBytes = 56;
constexpr std::uint32_t kStrhBytes = 56;
constexpr std::uint32_t kStrfBytes = 40;
constexpr std::uint32_t kSuperIndexHeader = 24;
constexpr std::uint32_t kSuperIndexEntry = 16;
constexpr std::uint32_t kDmlhBytes = 248;
constexpr std::uint32_t kOdmlListBytes = 4 + 8 + kDmlhBytes; // "odml" + dmlh chunk
constexpr std::uint32_t kStdIndexHeader = 24;
constexpr std::uint32_t kStdIndexEntry = 8;
constexpr std::uint32_t kIdx1Entry = 16;
constexpr std::uint32_t kMinIndexEntries = 256;

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyframe = 0x10;
constexpr std::uint8_t kAviIndexOfIndexes = 0x00;
constexpr std::uint8_t kAviIndexOfChunks = 0x01;

// A RIFF chunk's size field is 32 bits, and so are idx1's offsets.
constexpr std::uint64_t kHardRiffBytes = 0xFFFF0000u;
// Pieces at least this large skip the buffer and go out with it in one call.
constexpr std::size_t kDirectBytes = 64 * 1024;

// Little-endian fields appended to a byte string.
class TBytes {
  public:
    explicit TBytes(std::string& out) : out_(out) {}
    TBytes& Code(const char (&fourcc)[5]) {
        out_.append(fourcc, 4);
        return *this;
    }
    TBytes& U8(std::uint8_t v) {
        out_.push_back(static_cast<char>(v));
        return *this;
    }
    TBytes& U16(std::uint32_t v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    TBytes& U32(std::uint64_t v) { return U16(v & 0xFFFF).U16((v >> 16) & 0xFFFF); }
    TBytes& U64(std::uint64_t v) { return U32(v & 0xFFFFFFFFu).U32(v >> 32); }
    TBytes& Zeros(std::size_t n) {
        out_.append(n, '\0');
        return *this;
    }

  private:
    std::string& out_;
};

std::uint32_t ClampU32(std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu));
}

} // namespace

TAviWriter::TAviWriter(TAviWriterOptions options) : options_(options) {
    options_.RiffLimit = std::min(options_.RiffLimit, kHardRiffBytes);
    options_.BufferBytes = std::max<std::size_t>(options_.BufferBytes, kDirectBytes);
}

TAviWriter::~TAviWriter() {
    try {
        Finish();
    } catch (...) {
        // Releasing a half-written movie reports nothing.
    }
    if (fd_ >= 0) ::close(fd_);
}

void TAviWriter::Open(const std::string& path) {
    if (fd_ >= 0) ::close(fd_);
    path_ = path;
    started_ = false;
    riffOpen_ = false;
    failed_ = false;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFCreateError(path);
}

void TAviWriter::Start(const TAviVideoFormat& format) {
    if (format.FramesPerSecond <= 0)
        throw ELumiskError("Frames per second must be 1 or more, not " +
                           std::to_string(format.FramesPerSecond));
    if (format.Width <= 0 || format.Height <= 0 || format.Width > 32767 || format.Height > 32767)
        throw ELumiskError("A movie frame of " + std::to_string(format.Width) + " x " +
                           std::to_string(format.Height) + " pixels cannot be written");
    const std::uint64_t image = std::uint64_t{RowBytes(format.Width)} * format.Height;
    if (fd_ < 0 || started_) throw ELumiskError("The movie file is not open for a new stream");
    format_ = format;
    // The frame, the headers and the RIFF's own indexes must fit one RIFF.
    if (image + 8 + 64 * 1024 > kHardRiffBytes)
        throw ELumiskError("A movie frame of " + std::to_string(format.Width) + " x " +
                           std::to_string(format.Height) + " pixels cannot be written");
    imageBytes_ = static_cast<std::uint32_t>(image);

    const std::uint64_t chunk = 8 + std::uint64_t{imageBytes_};
    const std::uint64_t perRiff =
        std::max<std::uint64_t>(1, options_.RiffLimit / (chunk + kStdIndexEntry + kIdx1Entry));
    const std::uint64_t needed = (options_.ExpectedFrames + perRiff - 1) / perRiff + 1;
    indexCapacity_ = static_cast<std::uint32_t>(std::max<std::uint64_t>(needed, kMinIndexEntries));

    buffer_.clear();
    buffer_.reserve(options_.BufferBytes);
    position_ = 0;
    riffs_.clear();
    totalFrames_ = riffFrames_ = firstRiffFrames_ = 0;
    firstRiffBytes_ = firstMoviBytes_ = 0;
    started_ = true;

    const std::string headers = Headers();
    moviStart_ = headers.size() - 12;
    riffStart_ = 0;
    riffMovi_ = moviStart_;
    riffOpen_ = true;
    Put(headers.data(), headers.size());
}

std::string TAviWriter::Headers() const {
    const bool openDml = riffs_.size() > 1;
    const std::uint32_t w = static_cast<std::uint32_t>(format_.Width);
    const std::uint32_t h = static_cast<std::uint32_t>(format_.Height);
    const std::uint32_t fps = static_cast<std::uint32_t>(format_.FramesPerSecond);
    const std::uint32_t indexBytes = kSuperIndexHeader + kSuperIndexEntry * indexCapacity_;
    const std::uint32_t strlBytes = 4 + (8 + kStrhBytes) + (8 + kStrfBytes) + (8 + indexBytes);
    const std::uint32_t hdrlBytes = 4 + (8 + kAvihBytes) + (8 + strlBytes) + (8 + kOdmlListBytes);

    std::string out;
    TBytes b(out);
    b.Code("RIFF").U32(firstRiffBytes_ ? firstRiffBytes_ - 8 : 0).Code("AVI ");
    b.Code("LIST").U32(hdrlBytes).Code("hdrl");

    b.Code("avih").U32(kAvihBytes);
    b.U32(1000000 / fps);
    b.U32(ClampU32(std::uint64_t{imageBytes_} * fps));
    b.U32(0).U32(kAvifHasIndex);
    b.U32(openDml ? firstRiffFrames_ : totalFrames_);
    b.U32(0).U32(1).U32(imageBytes_ + 8);
    b.U32(w).U32(h).Zeros(16);

    b.Code("LIST").U32(strlBytes).Code("strl");
    b.Code("strh").U32(kStrhBytes);
    b.Code("vids").U32(0).U32(0).U16(0).U16(0).U32(0);
    b.U32(1).U32(fps).U32(0).U32(totalFrames_).U32(imageBytes_).U32(0).U32(0);
    b.U16(0).U16(0).U16(w).U16(h);

    b.Code("strf").U32(kStrfBytes);
    b.U32(40).U32(w).U32(h).U16(1).U16(24).U32(0).U32(imageBytes_);
    b.U32(static_cast<std::uint32_t>(format_.XPelsPerMeter));
    b.U32(static_cast<std::uint32_t>(format_.YPelsPerMeter));
    b.U32(0).U32(0);

    // The OpenDML headers, or the same room kept free until they are needed.
    if (openDml) {
        b.Code("indx").U32(indexBytes);
        b.U16(4).U8(0).U8(kAviIndexOfIndexes).U32(static_cast<std::uint32_t>(riffs_.size()));
        b.Code("00db").Zeros(12);
        for (const TIndexEntry& e : riffs_)
            b.U64(e.Offset).U32(e.Bytes).U32(e.Frames);
        b.Zeros(std::size_t{kSuperIndexEntry} * (indexCapacity_ - riffs_.size()));
        b.Code("LIST").U32(kOdmlListBytes).Code("odml");
        b.Code("dmlh").U32(kDmlhBytes).U32(totalFrames_).Zeros(kDmlhBytes - 4);
    } else {
        b.Code("JUNK").U32(indexBytes).Zeros(indexBytes);
        b.Code("JUNK").U32(kOdmlListBytes).Zeros(kOdmlListBytes);
    }

    b.Code("LIST").U32(firstMoviBytes_ ? firstMoviBytes_ - 8 : 0).Code("movi");
    return out;
}

std::uint64_t TAviWriter::TrailerBytes(std::uint32_t frames, bool first, bool openDml) const {
    std::uint64_t bytes = 0;
    if (openDml) bytes += 8 + kStdIndexHeader + std::uint64_t{kStdIndexEntry} * frames;
    if (first) bytes += 8 + std::uint64_t{kIdx1Entry} * frames;
    return bytes;
}

void TAviWriter::AddFrame(std::span<const std::uint8_t> pixels) {
    if (failed_) throw EFCreateError(path_);
    if (!started_ || !riffOpen_) throw ELumiskError("The movie file is not open for frames");
    if (pixels.size() != imageBytes_)
        throw ELumiskError("A movie frame must hold " + std::to_string(imageBytes_) +
                           " bytes, not " + std::to_string(pixels.size()));
    const std::uint64_t chunk = 8 + std::uint64_t{imageBytes_};
    const bool first = riffStart_ == 0;
    auto riffBytesWith = [&](std::uint32_t frames) {
        return position_ + chunk - riffStart_ + TrailerBytes(frames, first, true);
    };
    if (riffFrames_ > 0 && riffBytesWith(riffFrames_ + 1) > options_.RiffLimit) {
        if (RiffCount() < indexCapacity_) {
            CloseRiff(true);
            BeginRiff();
        } else if (riffBytesWith(riffFrames_ + 1) > kHardRiffBytes) {
            // No index entry left and no room in this RIFF: the movie ends
            // with the frames it has.
            Flush();
            Fail();
        }
    }
    std::string header;
    TBytes(header).Code("00db").U32(imageBytes_);
    Put(header.data(), header.size());
    Put(pixels.data(), pixels.size());
    ++riffFrames_;
    ++totalFrames_;
}

void TAviWriter::BeginRiff() {
    riffStart_ = position_;
    std::string header;
    TBytes(header).Code("RIFF").U32(0).Code("AVIX").Code("LIST").U32(0).Code("movi");
    Put(header.data(), header.size());
    riffMovi_ = riffStart_ + 12;
    riffFrames_ = 0;
    riffOpen_ = true;
}

void TAviWriter::CloseRiff(bool openDml) {
    const std::uint64_t chunk = 8 + std::uint64_t{imageBytes_};
    const std::uint64_t moviCode = riffMovi_ + 8; // offset of the "movi" code
    const std::uint32_t n = riffFrames_;
    std::string out;
    TBytes b(out);
    TIndexEntry entry;
    if (openDml) {
        // Standard index at the end of this movi: offsets of the frame data
        // (past each chunk header) from the "movi" code.
        entry.Offset = position_;
        entry.Bytes = 8 + kStdIndexHeader + kStdIndexEntry * n;
        entry.Frames = n;
        b.Code("ix00").U32(kStdIndexHeader + kStdIndexEntry * n);
        b.U16(2).U8(0).U8(kAviIndexOfChunks).U32(n).Code("00db").U64(moviCode).U32(0);
        for (std::uint32_t k = 0; k < n; ++k)
            b.U32(4 + k * chunk + 8).U32(imageBytes_); // bit 31 clear: key frame
    }
    const std::uint64_t moviBytes = position_ + out.size() - riffMovi_;
    const bool first = riffStart_ == 0;
    if (first) {
        // The old index: offsets of the chunks from the "movi" code.
        b.Code("idx1").U32(std::uint64_t{kIdx1Entry} * n);
        for (std::uint32_t k = 0; k < n; ++k)
            b.Code("00db").U32(kAviifKeyframe).U32(4 + k * chunk).U32(imageBytes_);
    }
    // The RIFF counts as closed only once all of it is on disk: a write
    // that fails before leaves it open, for Salvage to close again.
    Put(out.data(), out.size());
    Flush();
    const std::uint64_t riffBytes = position_ - riffStart_;
    if (!first) {
        std::string size;
        TBytes(size).U32(riffBytes - 8);
        WriteAt(riffStart_ + 4, size);
        size.clear();
        TBytes(size).U32(moviBytes - 8);
        WriteAt(riffMovi_ + 4, size);
    }
    riffs_.push_back(entry);
    riffOpen_ = false;
    if (first) {
        // The first RIFF's sizes go out with the final headers.
        firstRiffFrames_ = n;
        firstRiffBytes_ = riffBytes;
        firstMoviBytes_ = moviBytes;
    }
}

void TAviWriter::Finish() {
    if (fd_ < 0) return;
    if (!failed_) {
        try {
            Complete();
            return;
        } catch (const EFCreateError&) {
            // Closing failed: nothing is left to mend.
            if (!failed_) throw;
        }
    }
    Salvage();
    throw EFCreateError(path_);
}

void TAviWriter::Abandon() {
    if (fd_ < 0) return;
    started_ = riffOpen_ = failed_ = false;
    buffer_.clear();
    ::close(fd_);
    fd_ = -1;
    ::unlink(path_.c_str());
}

void TAviWriter::Salvage() {
    bool kept = false;
    try {
        kept = started_ && CompleteLanded();
    } catch (const ELumiskError&) {
        // Not even the frames that landed can be completed.
    }
    started_ = riffOpen_ = failed_ = false;
    buffer_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    // A movie no player can open is no use, and on a full disk it holds the
    // space the user needs; the frames it came from are still there.
    if (!kept) ::unlink(path_.c_str());
}

bool TAviWriter::CompleteLanded() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    const auto landed = static_cast<std::uint64_t>(st.st_size);
    buffer_.clear();
    if (riffOpen_) {
        // The whole frames of the open RIFF that reached the disk; a frame
        // cut short, and anything after it, is cut off.
        const std::uint64_t chunk = 8 + std::uint64_t{imageBytes_};
        const std::uint64_t first = riffMovi_ + 12;
        const std::uint64_t whole = landed > first ? (landed - first) / chunk : 0;
        const auto kept = static_cast<std::uint32_t>(std::min<std::uint64_t>(riffFrames_, whole));
        totalFrames_ -= riffFrames_ - kept;
        riffFrames_ = kept;
        position_ = first + std::uint64_t{kept} * chunk;
        if (kept == 0 && riffStart_ != 0) {
            // A continuation RIFF without a whole frame is dropped.
            position_ = riffStart_;
            riffOpen_ = false;
        }
    }
    // Otherwise every RIFF is closed and on disk: only the headers are missing.
    // The file's own offset is where the failed write stopped.
    const auto end = static_cast<off_t>(position_);
    if (totalFrames_ == 0 || ::ftruncate(fd_, end) != 0 || ::lseek(fd_, end, SEEK_SET) != end)
        return false;
    failed_ = false;
    Complete();
    return true;
}

void TAviWriter::Complete() {
    if (fd_ < 0) return;
    if (started_) {
        if (riffOpen_) CloseRiff(RiffCount() > 1);
        Flush();
        WriteAt(0, Headers());
        started_ = false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw EFCreateError(path_);
}

void TAviWriter::Put(const void* data, std::size_t bytes) {
    if (bytes >= kDirectBytes) {
        Flush(data, bytes);
    } else {
        if (buffer_.size() + bytes > options_.BufferBytes) Flush();
        const auto* p = static_cast<const std::uint8_t*>(data);
        buffer_.insert(buffer_.end(), p, p + bytes);
    }
    position_ += bytes;
}

void TAviWriter::Flush(const void* extra, std::size_t extraBytes) {
    iovec parts[2] = {{buffer_.data(), buffer_.size()}, {const_cast<void*>(extra), extraBytes}};
    iovec* next = parts;
    int count = extraBytes ? 2 : 1;
    while (count > 0) {
        if (next->iov_len == 0) {
            ++next;
            --count;
            continue;
        }
        const ssize_t n = ::writev(fd_, next, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail();
        std::size_t done = static_cast<std::size_t>(n);
        while (count > 0 && done >= next->iov_len) {
            done -= next->iov_len;
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + done;
            next->iov_len -= done;
        }
    }
    buffer_.clear();
}

void TAviWriter::WriteAt(std::uint64_t offset, const std::string& bytes) {
    Flush();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail();
        done += static_cast<std::size_t>(n);
    }
}

void TAviWriter::Fail() {
    // What was not written is gone; Salvage works from what reached the disk.
    buffer_.clear();
    failed_ = true;
    throw EFCreateError(path_);
}

} // namespace lumisk
