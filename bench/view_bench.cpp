// One whole View of a 200 KB JPEG from a local nginx (settings and catalogue
// saves, HEAD, GET, detection, preview, thumbnail, viewer) against what the
// network and the decoding cost on their own, in the same run: curl doing the
// same HEAD and GET, and one "djpeg -scale 1/4" of the same file (the whole
// process, as "time djpeg" shows it). Prints the medians and the ratios; the
// View is meant to stay within twice curl + djpeg.
// Usage: bench_view [runs=50]
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "catalogue/settings.h"
#include "imaging/imagefile.h"
#include "silentdialogs.h"
#include "support/nginxserver.h"
#include "util/datadirectory.h"
#include "util/services.h"
#include "widgets/forms.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double CurlSeconds(const QStringList& args) {
    QProcess curl;
    curl.start("curl", QStringList{"-s", "-o", "/dev/null", "-w", "%{time_total}"} + args);
    curl.waitForFinished();
    return curl.readAllStandardOutput().toDouble();
}

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Wall-clock seconds of one djpeg run, started without a shell, its picture
// thrown away, and the CPU seconds it used; -1 when it cannot be run.
double DjpegSeconds(const std::string& djpeg, const std::string& file, double& cpu) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{djpeg, "-scale", "1/4", file};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    rusage usage{};
    const bool ran =
        posix_spawn(&pid, djpeg.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
        wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    cpu = CpuSeconds(usage);
    const auto t1 = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    return ran ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;

    QTemporaryDir www, data;
    // 200 KB of bytes that end like a JPEG: the View types it by its header.
    std::string jpeg;
    {
        QImage picture(640, 480, QImage::Format_RGB888);
        std::mt19937 noise(1);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y,
                                 qRgb(static_cast<int>(noise() % 256), y % 256,
                                      static_cast<int>(noise() % 256)));
        picture.save(www.path() + "/cam.jpg", "JPG", 85);
        std::ifstream in((www.path() + "/cam.jpg").toStdString(), std::ios::binary);
        jpeg.assign(std::istreambuf_iterator<char>(in), {});
    }
    lumisk::test::TNginx nginx(www.path().toStdString());
    const std::string url = nginx.Url("/cam.jpg");

    lumisk::SetDataDirectory(data.path().toStdString());
    {
        std::ofstream dat(data.path().toStdString() + "/orvane.dat", std::ios::binary);
        dat << "Harbour Cam\r\n" << url << "\r\n\r\n5\r\n\r\n";
        std::ofstream ini(data.path().toStdString() + "/orvane.ini", std::ios::binary);
        ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
    }
    lumisk::bench::TSilentDialogs dialogs;
    lumisk::Services().Dialogs = &dialogs;
    lumisk::CreateForms();
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    main.show();
    lumisk::Forms().Settings->DateSkip->setChecked(false);

    const std::string djpeg = QStandardPaths::findExecutable("djpeg").toStdString();
    if (djpeg.empty()) {
        std::fprintf(stderr, "djpeg not found (Debian: libjpeg-turbo-progs)\n");
        return 1;
    }
    const std::string file = www.path().toStdString() + "/cam.jpg";

    std::vector<double> view, curl, decode, both, viewCpu, decodeCpu;
    const std::uint64_t decodedBefore = lumisk::ImageFilesDecoded();
    for (int i = 0; i < runs; ++i) {
        const double cpu0 = ProcessCpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        main.viewbuttonClick();
        auto t1 = std::chrono::steady_clock::now();
        viewCpu.push_back(ProcessCpuSeconds() - cpu0);
        if (lumisk::App().DownloadFailed) {
            std::fprintf(stderr, "View failed: %s\n", main.Status().toLocal8Bit().constData());
            return 1;
        }
        view.push_back(std::chrono::duration<double>(t1 - t0).count());
        curl.push_back(CurlSeconds({"-I", QString::fromStdString(url)}) +
                       CurlSeconds({QString::fromStdString(url)}));
        double cpu = 0;
        decode.push_back(DjpegSeconds(djpeg, file, cpu));
        decodeCpu.push_back(cpu);
        if (decode.back() < 0) {
            std::fprintf(stderr, "djpeg failed\n");
            return 1;
        }
        both.push_back(curl.back() + decode.back());
    }
    const double v = Median(view), c = Median(curl), d = Median(decode), b = Median(both);
    const double decodes =
        static_cast<double>(lumisk::ImageFilesDecoded() - decodedBefore) / std::max(1, runs);
    const QImage picture(QString::fromStdString(file));
    std::printf("image %zu bytes, %d x %d, %d runs\n", jpeg.size(), picture.width(),
                picture.height(), runs);
    std::printf("files decoded per View: %.2f\n", decodes);
    std::printf("View (whole action):                 median %6.2f ms\n", v * 1000);
    std::printf("curl HEAD + GET time_total:          median %6.2f ms\n", c * 1000);
    std::printf("djpeg -scale 1/4 (whole process):    median %6.2f ms\n", d * 1000);
    std::printf("curl HEAD + GET + djpeg, per run:    median %6.2f ms\n", b * 1000);
    std::printf("CPU time (user + system): View median %.2f ms, djpeg median %.2f ms\n",
                Median(viewCpu) * 1000, Median(decodeCpu) * 1000);
    std::printf("ratio View / curl: %.2f\n", v / c);
    std::printf("ratio View / (curl + djpeg): %.2f (at most 2 wanted)\n", v / b);
    lumisk::DestroyForms();
    return 0;
}
