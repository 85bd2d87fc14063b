// The AVI builder's MP4 against the ffmpeg program, in one run on the same
// frames:
//  1. our build routine writing an MP4 (frame list, reading, colour
//     conversion, libx264, muxing), without a window, so without previews;
//  2. ffmpeg -framerate 15 -i FRA%05d.BMP -c:v libx264 -crf 23
//     -pix_fmt yuv420p out.mp4: the same encoder with the same preset
//     (x264's default, medium) and the same choice of threads (x264's own);
//  3. our uncompressed AVI of the same frames, for its size.
// Frames are N ordinary 24-bit BMP files of 640 x 480, a camera-like scene
// (a sky with drifting clouds, furrowed fields, a moving sun, sensor noise),
// written first into a temporary directory (under TMPDIR). Each step runs R
// times in turn and the
// median and least wall time are reported with the median processor time
// (all threads, user and system: steadier on a shared machine), the file
// sizes and the ratios of ours to ffmpeg's. Goal: at most 1.1 times ffmpeg's time, at
// most 5% larger.
// Usage: bench_mp4 [N=1000] [R=3]
#include "imaging/bmpwriter.h"
#include "tools/avibuilder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Least(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

// The machine's load over the last minute: other work makes wall times swing.
double Load() {
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

std::uint8_t Clamp(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

QImage FramePicture(int k) {
    QImage picture(kWidth, kHeight, QImage::Format_BGR888);
    const int sunX = 40 + (k * 3) % (kWidth - 80), sunY = 60 + (k / 4) % 120;
    std::uint32_t seed = 2166136261u ^ static_cast<std::uint32_t>(k);
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 29) - 4; // -4 .. 3
            int b, g, r;
            if (y < kHeight / 2) { // sky
                const int cloud =
                    static_cast<int>(24 * std::sin((x + 5 * k) / 23.0) * std::cos((y + k) / 11.0));
                b = 230 - y / 4 + cloud;
                g = 150 + y / 3 + cloud;
                r = 90 + y / 2 + cloud;
            } else { // fields with furrows
                b = 40 + (x / 16 % 2) * 10;
                g = 110 + (y - kHeight / 2) / 4;
                r = 60 + x / 20;
            }
            const int dx = x - sunX, dy = y - sunY;
            if (dx * dx + dy * dy < 900) b = 60, g = 220, r = 250;
            row[3 * x] = Clamp(b + noise);
            row[3 * x + 1] = Clamp(g + noise);
            row[3 * x + 2] = Clamp(r + noise);
        }
    }
    return picture;
}

// Processor seconds of this process (who = RUSAGE_SELF) or of its waited-for
// children (RUSAGE_CHILDREN) so far.
double CpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct TRun {
    double Ms = 0, CpuMs = 0;
};

long long FileBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

TRun Ours(const std::string& frames, const std::string& movie, lumisk::TMovieKind kind) {
    const double cpu = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    lumisk::TAviBuilder builder({});
    builder.Kind = kind;
    if (builder.Build(frames, movie, 15) != lumisk::TAviBuildResult::Created)
        std::fprintf(stderr, "our build failed\n");
    return {timer.nsecsElapsed() / 1e6, (CpuSeconds(RUSAGE_SELF) - cpu) * 1e3};
}

TRun Ffmpeg(const std::string& frames, const std::string& movie) {
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-framerate", "15", "-i",
                            QString::fromStdString(frames + "FRA%05d.BMP"), "-c:v", "libx264",
                            "-crf", "23", "-pix_fmt", "yuv420p", QString::fromStdString(movie)});
    ffmpeg.waitForFinished(-1);
    const TRun run{timer.nsecsElapsed() / 1e6, (CpuSeconds(RUSAGE_CHILDREN) - cpu) * 1e3};
    if (ffmpeg.exitCode() != 0)
        std::fprintf(stderr, "ffmpeg failed: %s\n", ffmpeg.readAllStandardError().constData());
    return run;
}

} // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const bool haveFfmpeg = !QStandardPaths::findExecutable("ffmpeg").isEmpty();

    QTemporaryDir temp;
    const std::string root = temp.path().toStdString() + "/";
    const std::string frames = root + "Frames/";
    QDir().mkpath(QString::fromStdString(frames));
    std::printf("writing %d frames of %d x %d into %s\n", n, kWidth, kHeight, frames.c_str());
    for (int k = 0; k < n; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "FRA%05d.BMP", k);
        lumisk::SaveImageAsBitmap(FramePicture(k), frames + name);
    }

    std::vector<double> ours, oursCpu, theirs, theirsCpu;
    long long ourBytes = 0, theirBytes = 0;
    for (int r = 0; r < runs; ++r) {
        const TRun o = Ours(frames, root + "ours.mp4", lumisk::TMovieKind::Mp4);
        ours.push_back(o.Ms);
        oursCpu.push_back(o.CpuMs);
        ourBytes = FileBytes(root + "ours.mp4");
        std::remove((root + "ours.mp4").c_str());
        if (haveFfmpeg) {
            const TRun f = Ffmpeg(frames, root + "ffmpeg.mp4");
            theirs.push_back(f.Ms);
            theirsCpu.push_back(f.CpuMs);
            theirBytes = FileBytes(root + "ffmpeg.mp4");
            std::remove((root + "ffmpeg.mp4").c_str());
        }
        std::printf("  run %d: ours %.0f ms (%.0f ms processor), ffmpeg %.0f ms (%.0f ms), "
                    "load %.2f\n",
                    r + 1, o.Ms, o.CpuMs, theirs.empty() ? 0.0 : theirs.back(),
                    theirsCpu.empty() ? 0.0 : theirsCpu.back(), Load());
    }
    const TRun avi = Ours(frames, root + "ours.avi", lumisk::TMovieKind::Avi);
    const long long aviBytes = FileBytes(root + "ours.avi");
    std::remove((root + "ours.avi").c_str());

    const double o = Median(ours), oc = Median(oursCpu);
    std::printf("frames: %d of %d x %d at 15 per second, %d runs, medians\n", n, kWidth, kHeight,
                runs);
    std::printf("  our MP4 (CRF 23)     %9.1f ms (least %9.1f)  %9.1f ms processor  %12lld bytes\n",
                o, Least(ours), oc, ourBytes);
    if (haveFfmpeg) {
        const double f = Median(theirs), fc = Median(theirsCpu);
        std::printf(
            "  ffmpeg libx264 MP4   %9.1f ms (least %9.1f)  %9.1f ms processor  %12lld bytes\n", f,
            Least(theirs), fc, theirBytes);
        std::printf("  our AVI              %9.1f ms                    %9.1f ms processor  %12lld "
                    "bytes\n",
                    avi.Ms, avi.CpuMs, aviBytes);
        std::printf("  ours / ffmpeg: time %.3f (least %.3f), processor %.3f, size %.4f;  AVI / "
                    "our MP4 size %.0f\n",
                    o / f, Least(ours) / Least(theirs), oc / fc,
                    static_cast<double>(ourBytes) / static_cast<double>(theirBytes),
                    static_cast<double>(aviBytes) / static_cast<double>(ourBytes));
    } else {
        std::printf("  our AVI              %9.1f ms  %12lld bytes\n", avi.Ms, aviBytes);
        std::printf("  ffmpeg not found\n");
    }
    return 0;
}
