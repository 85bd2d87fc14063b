// Throughput of type detection and decoding for 640 x 480 camera JPEGs (the
// common preview size), in megapixels per second, with the PNG and BMP
// detections that read whole files for comparison.
#include "imaging/bmpwriter.h"
#include "imaging/imagefixtures.h"
#include "imaging/imagetype.h"
#include "imaging/jpegdecoder.h"

#include <benchmark/benchmark.h>

namespace {

using namespace lumisk;

constexpr int kWidth = 640, kHeight = 480;
constexpr double kMegapixels = kWidth * kHeight / 1e6;

const QImage& Picture() {
    static const QImage picture = test::CameraPicture(kWidth, kHeight);
    return picture;
}

const std::string& Jpeg() {
    static const std::string jpeg = test::EncodeJpeg(Picture(), test::TJpegKind::Baseline, 85);
    return jpeg;
}

void Rate(benchmark::State& state, std::size_t bytes) {
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kMegapixels, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void Detect(benchmark::State& state, const std::string& bytes, const char* type) {
    for (auto _ : state) {
        std::string found = DetectImageType(bytes.data(), bytes.size());
        if (found != type) state.SkipWithError("wrong type");
        benchmark::DoNotOptimize(found);
    }
    Rate(state, bytes.size());
}

void BM_DetectJpeg(benchmark::State& state) {
    Detect(state, Jpeg(), "JPG");
}

void BM_DetectProgressiveJpeg(benchmark::State& state) {
    static const std::string jpeg = test::EncodeJpeg(Picture(), test::TJpegKind::Progressive, 85);
    Detect(state, jpeg, "JPG");
}

void BM_DetectPng(benchmark::State& state) {
    static const std::string png = test::EncodePng(Picture());
    Detect(state, png, "PNG");
}

void BM_DetectBmp(benchmark::State& state) {
    static const std::string bmp = EncodeBitmap(Picture());
    Detect(state, bmp, "BMP");
}

void BM_DecodeJpeg(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(TJpegDecoder::Decode(Jpeg()));
    Rate(state, Jpeg().size());
}

void BM_DecodeJpegForThumbnail(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(TJpegDecoder::DecodeScaled(Jpeg(), 200, 200));
    Rate(state, Jpeg().size());
}

BENCHMARK(BM_DetectJpeg);
BENCHMARK(BM_DetectProgressiveJpeg);
BENCHMARK(BM_DetectPng);
BENCHMARK(BM_DetectBmp);
BENCHMARK(BM_DecodeJpeg);
BENCHMARK(BM_DecodeJpegForThumbnail);

} // namespace

BENCHMARK_MAIN();
