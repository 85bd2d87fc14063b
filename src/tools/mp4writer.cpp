#include "tools/mp4writer.h"

#include "util/lumiskerror.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace lumisk {

namespace {

std::int32_t Even(std::int32_t n) {
    return n + (n & 1);
}

// The libraries' own log lines would only repeat, on standard error, what
// the builder reports in its own words.
void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace

struct TMp4Writer::TLibav {
    AVFormatContext* Format = nullptr;
    AVCodecContext* Codec = nullptr;
    AVStream* Stream = nullptr;
    AVFrame* Frame = nullptr;
    AVPacket* Packet = nullptr;
    SwsContext* Scaler = nullptr;

    ~TLibav() {
        sws_freeContext(Scaler);
        av_packet_free(&Packet);
        av_frame_free(&Frame);
        avcodec_free_context(&Codec);
        if (Format) {
            if (Format->pb) avio_closep(&Format->pb);
            avformat_free_context(Format);
        }
    }
};

TMp4Writer::TMp4Writer(TMp4WriterOptions options) : options_(options) {
    QuietLibraries();
}

TMp4Writer::~TMp4Writer() {
    Abandon();
}

std::int32_t TMp4Writer::EncodedWidth() const {
    return Even(format_.Width);
}

std::int32_t TMp4Writer::EncodedHeight() const {
    return Even(format_.Height);
}

void TMp4Writer::Open(const std::string& path) {
    Abandon();
    path_ = path;
    frames_ = 0;
    started_ = false;
    av_ = std::make_unique<TLibav>();
    // "file:" keeps a colon in the name from being read as a protocol; the
    // muxer reopens the file by this name to move its index to the front.
    const std::string url = "file:" + path;
    if (avformat_alloc_output_context2(&av_->Format, nullptr, "mp4", url.c_str()) < 0 ||
        avio_open(&av_->Format->pb, url.c_str(), AVIO_FLAG_WRITE) < 0) {
        av_.reset();
        throw EFCreateError(path);
    }
}

void TMp4Writer::Start(const TMovieFormat& format) {
    if (format.FramesPerSecond <= 0)
        throw ELumiskError("Frames per second must be 1 or more, not " +
                           std::to_string(format.FramesPerSecond));
    const std::string size =
        std::to_string(format.Width) + " x " + std::to_string(format.Height) + " pixels";
    if (format.Width <= 0 || format.Height <= 0 || format.Width > 32767 || format.Height > 32767)
        throw ELumiskError("A movie frame of " + size + " cannot be written");
    if (!av_ || started_) throw ELumiskError("The movie file is not open for a new stream");
    if (options_.Crf < kMinCrf || options_.Crf > kMaxCrf)
        throw ELumiskError("Quality (CRF) must be from 0 to 51, not " +
                           std::to_string(options_.Crf));
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) throw ELumiskError("The H.264 encoder libx264 is not installed");
    format_ = format;

    TLibav& av = *av_;
    av.Codec = avcodec_alloc_context3(codec);
    if (!av.Codec) throw ELumiskError("Out of memory for the H.264 encoder");
    AVCodecContext& c = *av.Codec;
    c.width = EncodedWidth();
    c.height = EncodedHeight();
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = AVRational{1, format.FramesPerSecond};
    c.framerate = AVRational{format.FramesPerSecond, 1};
    // 0 leaves the number of threads to x264, as the ffmpeg program does.
    c.thread_count = 0;
    // What the colour conversion below produces, so players need not guess.
    c.color_range = AVCOL_RANGE_MPEG;
    c.colorspace = AVCOL_SPC_SMPTE170M;
    if (av.Format->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* encoderOptions = nullptr;
    av_dict_set_int(&encoderOptions, "crf", options_.Crf, 0);
    const int opened = avcodec_open2(av.Codec, codec, &encoderOptions);
    av_dict_free(&encoderOptions);
    if (opened < 0) throw ELumiskError("The H.264 encoder cannot write a movie frame of " + size);

    av.Stream = avformat_new_stream(av.Format, nullptr);
    av.Frame = av_frame_alloc();
    av.Packet = av_packet_alloc();
    av.Scaler = sws_getContext(c.width, c.height, AV_PIX_FMT_BGR24, c.width, c.height,
                               AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!av.Stream || !av.Frame || !av.Packet || !av.Scaler)
        throw ELumiskError("Out of memory for the H.264 encoder");
    av.Frame->format = AV_PIX_FMT_YUV420P;
    av.Frame->width = c.width;
    av.Frame->height = c.height;
    av.Frame->color_range = c.color_range;
    av.Frame->colorspace = c.colorspace;
    if (av_frame_get_buffer(av.Frame, 0) < 0 ||
        avcodec_parameters_from_context(av.Stream->codecpar, av.Codec) < 0)
        throw ELumiskError("Out of memory for the H.264 encoder");
    av.Stream->time_base = c.time_base;
    av.Stream->avg_frame_rate = c.framerate;

    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    const int header = avformat_write_header(av.Format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (header < 0) Fail();
    started_ = true;
}

void TMp4Writer::AddFrame(std::span<const std::uint8_t> pixels) {
    if (!started_) throw EFCreateError(path_);
    const std::uint32_t rowBytes = RowBytes(format_.Width);
    if (pixels.size() != std::size_t{rowBytes} * format_.Height)
        throw ELumiskError("A movie frame must hold " +
                           std::to_string(std::size_t{rowBytes} * format_.Height) + " bytes, not " +
                           std::to_string(pixels.size()));
    AVFrame& frame = *av_->Frame;
    // The encoder may still hold the last picture.
    if (av_frame_make_writable(&frame) < 0) Fail();
    // Rows are bottom-up: start at the last and step backwards.
    const std::uint8_t* top = pixels.data() + std::size_t{rowBytes} * (format_.Height - 1);
    int stride = -static_cast<int>(rowBytes);
    if (EncodedWidth() != format_.Width || EncodedHeight() != format_.Height) {
        // The padding is added before the colour conversion: converting an
        // odd width averages the last pixel's colour with what lies beyond it.
        const std::size_t used = std::size_t{3} * format_.Width;
        const std::size_t padded = std::size_t{3} * EncodedWidth();
        padded_.resize(padded * EncodedHeight());
        for (std::int32_t y = 0; y < EncodedHeight(); ++y) {
            std::uint8_t* row = padded_.data() + padded * y;
            std::memcpy(row,
                        top + static_cast<std::ptrdiff_t>(stride) * std::min(y, format_.Height - 1),
                        used);
            std::memcpy(row + used, row + used - 3, padded - used);
        }
        top = padded_.data();
        stride = static_cast<int>(padded);
    }
    // The scaler reads four planes' pointers and strides, packed or not.
    const std::uint8_t* const planes[4] = {top, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(av_->Scaler, planes, strides, 0, EncodedHeight(), frame.data, frame.linesize) !=
        EncodedHeight())
        Fail();
    frame.pts = frames_;
    Encode(false);
    ++frames_;
}

void TMp4Writer::Encode(bool flush) {
    TLibav& av = *av_;
    if (avcodec_send_frame(av.Codec, flush ? nullptr : av.Frame) < 0) Fail();
    for (;;) {
        const int got = avcodec_receive_packet(av.Codec, av.Packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
        if (got < 0) Fail();
        av_packet_rescale_ts(av.Packet, av.Codec->time_base, av.Stream->time_base);
        av.Packet->stream_index = av.Stream->index;
        // The muxer reports a failed write of the file here.
        if (av_interleaved_write_frame(av.Format, av.Packet) < 0) Fail();
    }
}

void TMp4Writer::Finish() {
    if (!av_) return;
    if (!started_) Fail();
    Encode(true);
    if (av_write_trailer(av_->Format) < 0 || av_->Format->pb->error < 0) Fail();
    const int closed = avio_closep(&av_->Format->pb);
    started_ = false;
    if (closed < 0) Fail();
    av_.reset();
}

void TMp4Writer::Abandon() {
    if (!av_) return;
    Release();
}

void TMp4Writer::Release() {
    av_.reset();
    started_ = false;
    ::unlink(path_.c_str());
}

void TMp4Writer::Fail() {
    Release();
    throw EFCreateError(path_);
}

} // namespace lumisk
