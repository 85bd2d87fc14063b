// The batch refresh of many cameras, one at a time and in parallel, against
// curl's own parallel transfers over the same addresses. The cameras are
// spread over eight loopback addresses (127.0.0.1 to 127.0.0.8) of one
// nginx; some of them are dead: they accept the connection and never answer,
// so each costs the read time-out. Every run starts from an empty previews
// folder with the date skip off, so that every live camera is downloaded.
//
// Runs the built `lumisk refresh` as a user would, without a display, and
// prints the wall time of each way with the command that ran it.
//
// Usage: bench_refresh [cameras=200] [dead=10] [timeout-ms=5000] [runs=3]
#include "support/nginxserver.h"
#include "support/silentserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using lumisk::test::TNginx;
using lumisk::test::TSilentServer;

// A 640 x 480 camera-like picture: smooth gradients with a little noise.
void WriteCameraJpeg(const QString& path) {
    QImage picture(640, 480, QImage::Format_RGB888);
    std::mt19937 noise(1);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int n = static_cast<int>(noise() % 16);
            picture.setPixel(
                x, y, qRgb((x * 255 / 640 + n) % 256, (y * 255 / 480 + n) % 256, (128 + n) % 256));
        }
    picture.save(path, "JPG", 85);
}

std::string Address(int n) {
    return "127.0.0." + std::to_string(n % 8 + 1);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TTimed {
    double Seconds = 0;
    int Status = -1;
};

// Runs program with arguments, without a display, and times it.
TTimed Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto t0 = std::chrono::steady_clock::now();
    process.start(program, arguments);
    process.waitForFinished(-1);
    TTimed timed;
    timed.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (process.exitStatus() == QProcess::NormalExit) timed.Status = process.exitCode();
    return timed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int cameras = argc > 1 ? std::atoi(argv[1]) : 200;
    const int dead = argc > 2 ? std::atoi(argv[2]) : 10;
    const int timeoutMs = argc > 3 ? std::atoi(argv[3]) : 5000;
    const int runs = argc > 4 ? std::atoi(argv[4]) : 3;
    if (cameras < 1 || dead < 0 || dead > cameras || timeoutMs < 1 || runs < 1) {
        std::fprintf(stderr, "usage: bench_refresh [cameras] [dead] [timeout-ms] [runs]\n");
        return 2;
    }
    if (!TNginx::Available()) {
        std::fprintf(stderr, "%s\n", TNginx::SkipReason);
        return 1;
    }
    const QString curl = QStandardPaths::findExecutable("curl");

    std::vector<std::string> addresses;
    for (int i = 0; i < 8; ++i)
        addresses.push_back(Address(i));
    QTemporaryDir www, work;
    WriteCameraJpeg(www.path() + "/cam0.jpg");
    for (int i = 1; i < cameras; ++i)
        QFile::copy(www.path() + "/cam0.jpg", www.path() + QString("/cam%1.jpg").arg(i));
    TNginx nginx(www.path().toStdString(), nullptr, 8);
    TSilentServer silent(addresses);

    // Dead cameras evenly through the list, each on the next address, so
    // that no address holds more of them than any other.
    std::vector<std::string> urls;
    const int every = dead > 0 ? cameras / dead : cameras + 1;
    for (int i = 0, d = 0; i < cameras; ++i) {
        const std::string path = "/cam" + std::to_string(i) + ".jpg";
        if (d < dead && i % every == every / 2)
            urls.push_back(silent.Url(path, Address(d++)));
        else
            urls.push_back(nginx.UrlAt(i % 8 + 1, path));
    }

    const QString data = work.path() + "/data";
    auto freshData = [&] {
        QDir(data).removeRecursively();
        QDir().mkpath(data + "/Previews");
        std::ofstream dat((data + "/orvane.dat").toStdString(), std::ios::binary);
        for (int i = 0; i < cameras; ++i)
            dat << "Camera " << i << "\r\n"
                << urls[static_cast<std::size_t>(i)] << "\r\n\r\n5\r\n\r\n";
        std::ofstream ini((data + "/orvane.ini").toStdString(), std::ios::binary);
        ini << "[Settings]\r\nSkip matching date downloads=0\r\nTimeout=" << timeoutMs << "\r\n";
    };
    auto previews = [&] {
        return static_cast<int>(QDir(data + "/Previews").entryList(QDir::Files).size());
    };

    std::printf("%d cameras on 127.0.0.1-127.0.0.8 (nginx), %d of them dead (accept, never "
                "answer), read time-out %d ms\n",
                cameras, dead, timeoutMs);
    auto lumisk = [&](int jobs, int times) {
        const QStringList args{"--data-dir", data, "refresh", "--jobs", QString::number(jobs)};
        std::vector<double> seconds;
        for (int r = 0; r < times; ++r) {
            freshData();
            const TTimed t = Run(LUMISK_EXECUTABLE, args);
            if (t.Status != (dead > 0 ? 1 : 0) || previews() != cameras - dead) {
                std::fprintf(stderr, "refresh --jobs %d ended with %d, %d previews\n", jobs,
                             t.Status, previews());
                std::exit(1);
            }
            seconds.push_back(t.Seconds);
        }
        const double m = Median(seconds);
        std::printf("%-58s %7.2f s  (%.1f cameras/s, median of %d)\n",
                    ("lumisk refresh --jobs " + std::to_string(jobs)).c_str(), m, cameras / m,
                    times);
        return m;
    };
    const double one = lumisk(1, 1);
    const double sixteen = lumisk(16, runs);

    double parallel = 0;
    if (curl.isEmpty()) {
        std::printf("curl is not installed: no comparison\n");
    } else {
        // One GET of each address, as many at once as the refresh runs; then
        // the same with a HEAD before each GET, which is what a camera costs
        // the refresh (two passes, so a dead address costs two time-outs).
        const QString config = work.path() + "/curl.cfg", heads = work.path() + "/heads.cfg";
        {
            std::ofstream get(config.toStdString()), head(heads.toStdString());
            for (int i = 0; i < cameras; ++i) {
                const std::string out = work.path().toStdString() + "/curl" + std::to_string(i);
                get << "url = \"" << urls[static_cast<std::size_t>(i)] << "\"\noutput = \"" << out
                    << "\"\n";
                head << "url = \"" << urls[static_cast<std::size_t>(i)]
                     << "\"\nhead\noutput = \"/dev/null\"\n";
            }
        }
        const QString maxTime = QString::number(timeoutMs / 1000.0, 'f', 3);
        const QStringList common{"--silent", "--parallel", "--parallel-max",
                                 "16",       "--max-time", maxTime};
        std::vector<double> gets, both;
        for (int r = 0; r < runs; ++r) {
            gets.push_back(Run(curl, common + QStringList{"--config", config}).Seconds);
            both.push_back(Run(curl, common + QStringList{"--config", heads}).Seconds +
                           Run(curl, common + QStringList{"--config", config}).Seconds);
        }
        parallel = Median(gets);
        std::printf(
            "%-58s %7.2f s  (median of %d)\n",
            ("curl --parallel --parallel-max 16 --max-time " + maxTime.toStdString()).c_str(),
            parallel, runs);
        std::printf("%-58s %7.2f s  (median of %d)\n", "  the same, a HEAD pass then a GET pass",
                    Median(both), runs);
    }
    std::printf("--jobs 16 is %.1fx faster than --jobs 1", one / sixteen);
    if (parallel > 0) std::printf(", %.2fx curl's GET-only time", sixteen / parallel);
    std::printf("\n");
    return 0;
}
