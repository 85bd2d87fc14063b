// The AVI builder's speed, in one run on the same frames:
//  1. our build routine (frame list, reading, writing the movie), without a
//     window, so without preview pictures;
//  2. ffmpeg -framerate 15 -i FRA%05d.BMP -c:v rawvideo -pix_fmt bgr24 out.avi;
//  3. the disk's own limit: reading every frame file whole and writing it
//     straight out again, topped up to as many bytes as our movie holds.
// Frames are N ordinary 24-bit BMP files of 640 x 480 written first into a
// temporary directory (under TMPDIR). Each step runs R times in turn and the
// median is reported, with the ratios of ours to ffmpeg and to the limit.
// Nothing is synced to disk: all three write into the page cache alike.
// Usage: bench_avi [N=1000] [R=3]
#include "imaging/bmpwriter.h"
#include "tools/avibuilder.h"
#include "util/fileutils.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A camera-like picture that changes from frame to frame.
QImage FramePicture(int k) {
    QImage picture(kWidth, kHeight, QImage::Format_BGR888);
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x] = static_cast<uchar>(255 * y / kHeight + k);
            row[3 * x + 1] = static_cast<uchar>((x ^ y) + 3 * k);
            row[3 * x + 2] = static_cast<uchar>(255 * x / kWidth);
        }
    }
    return picture;
}

long long FileBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

double Ours(const std::string& frames, const std::string& movie) {
    QElapsedTimer timer;
    timer.start();
    lumisk::TAviBuilder builder({});
    if (builder.Build(frames, movie, 15) != lumisk::TAviBuildResult::Created)
        std::fprintf(stderr, "our build failed\n");
    return timer.nsecsElapsed() / 1e6;
}

double Ffmpeg(const std::string& frames, const std::string& movie) {
    QElapsedTimer timer;
    timer.start();
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-framerate", "15", "-i",
                            QString::fromStdString(frames + "FRA%05d.BMP"), "-c:v", "rawvideo",
                            "-pix_fmt", "bgr24", QString::fromStdString(movie)});
    ffmpeg.waitForFinished(-1);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (ffmpeg.exitCode() != 0)
        std::fprintf(stderr, "ffmpeg failed: %s\n", ffmpeg.readAllStandardError().constData());
    return ms;
}

// Reads each frame whole and writes it with one call, then tops the output up
// to as many bytes as our movie holds.
double DiskLimit(const std::vector<std::string>& frames, const std::string& out, long long bytes) {
    QElapsedTimer timer;
    timer.start();
    std::vector<char> frame;
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    long long left = bytes;
    auto put = [&] {
        const auto n = static_cast<std::size_t>(
            std::min<long long>(static_cast<long long>(frame.size()), left));
        if (::write(fd, frame.data(), n) < 0) std::perror("write");
        left -= static_cast<long long>(n);
    };
    for (const std::string& path : frames) {
        const int in = ::open(path.c_str(), O_RDONLY);
        struct stat st {};
        ::fstat(in, &st);
        frame.resize(static_cast<std::size_t>(st.st_size));
        if (::read(in, frame.data(), frame.size()) < 0) std::perror("read");
        ::close(in);
        put();
    }
    while (left > 0)
        put();
    ::close(fd);
    return timer.nsecsElapsed() / 1e6;
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
    const std::vector<std::string> list = lumisk::TAviBuilder::FrameFiles(frames);

    std::vector<double> ours, theirs, limit;
    long long ourBytes = 0, theirBytes = 0;
    for (int r = 0; r < runs; ++r) {
        ours.push_back(Ours(frames, root + "ours.avi"));
        ourBytes = FileBytes(root + "ours.avi");
        std::remove((root + "ours.avi").c_str());
        if (haveFfmpeg) {
            theirs.push_back(Ffmpeg(frames, root + "ffmpeg.avi"));
            theirBytes = FileBytes(root + "ffmpeg.avi");
            std::remove((root + "ffmpeg.avi").c_str());
        }
        limit.push_back(DiskLimit(list, root + "plain.bin", ourBytes));
        std::remove((root + "plain.bin").c_str());
    }

    const double o = Median(ours), l = Median(limit);
    std::printf("frames: %d of %d x %d, %d runs, median times\n", n, kWidth, kHeight, runs);
    std::printf("  our build            %9.1f ms  (%lld bytes)\n", o, ourBytes);
    if (haveFfmpeg) {
        const double f = Median(theirs);
        std::printf("  ffmpeg rawvideo avi  %9.1f ms  (%lld bytes)\n", f, theirBytes);
        std::printf("  read + write limit   %9.1f ms\n", l);
        std::printf("  ours / ffmpeg = %.2f   ours / limit = %.2f\n", o / f, o / l);
    } else {
        std::printf("  read + write limit   %9.1f ms\n", l);
        std::printf("  ffmpeg not found; ours / limit = %.2f\n", o / l);
    }
    return 0;
}
