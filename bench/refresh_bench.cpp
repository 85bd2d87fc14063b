// The batch preview refresh over many cameras served by a local nginx: whole
// runs of the refresh window's Update, every camera downloaded (date skip
// off), then one run where every camera is skipped by its date. Prints the
// cameras per second of each.
//
// Usage: bench_refresh [cameras=200] [runs=3]
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "catalogue/settings.h"
#include "silentdialogs.h"
#include "support/nginxserver.h"
#include "tools/refreshpreviews.h"
#include "util/datadirectory.h"
#include "util/services.h"
#include "widgets/forms.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

namespace {

// A 640 x 480 camera-like picture: smooth gradients with a little noise.
QByteArray CameraJpeg(const QString& path) {
    QImage picture(640, 480, QImage::Format_RGB888);
    std::mt19937 noise(1);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int n = static_cast<int>(noise() % 16);
            picture.setPixel(
                x, y, qRgb((x * 255 / 640 + n) % 256, (y * 255 / 480 + n) % 256, (128 + n) % 256));
        }
    picture.save(path, "JPG", 85);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cameras = argc > 1 ? std::atoi(argv[1]) : 200;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (!lumisk::test::TNginx::Available()) {
        std::fprintf(stderr, "%s\n", lumisk::test::TNginx::SkipReason);
        return 1;
    }

    QTemporaryDir www, data;
    const QByteArray jpeg = CameraJpeg(www.path() + "/cam1.jpg");
    for (int i = 2; i <= cameras; ++i)
        QFile::copy(www.path() + "/cam1.jpg", www.path() + QString("/cam%1.jpg").arg(i));
    lumisk::test::TNginx nginx(www.path().toStdString());

    lumisk::SetDataDirectory(data.path().toStdString());
    {
        std::ofstream dat(data.path().toStdString() + "/orvane.dat", std::ios::binary);
        for (int i = 1; i <= cameras; ++i)
            dat << "Camera " << i << "\r\n"
                << nginx.Url("/cam" + std::to_string(i) + ".jpg") << "\r\n\r\n5\r\n\r\n";
        std::ofstream ini(data.path().toStdString() + "/orvane.ini", std::ios::binary);
        ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
    }
    lumisk::bench::TSilentDialogs dialogs;
    lumisk::Services().Dialogs = &dialogs;
    lumisk::CreateForms();
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    main.show();
    lumisk::TRefreshPreviews& refresh = *lumisk::Forms().RefreshPreviews;
    main.Refreshallpreviewimages1Click();

    auto run = [&](QLineEdit* counter) {
        const auto t0 = std::chrono::steady_clock::now();
        refresh.Button1Click();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (counter->text().toInt() != cameras) {
            std::fprintf(stderr, "run ended with %s: %s\n",
                         counter->text().toLocal8Bit().constData(),
                         refresh.stats->currentMessage().toLocal8Bit().constData());
            std::exit(1);
        }
        return seconds;
    };

    lumisk::Forms().Settings->DateSkip->setChecked(false);
    std::vector<double> full;
    for (int i = 0; i < runs; ++i)
        full.push_back(run(refresh.Edit2));
    lumisk::Forms().Settings->DateSkip->setChecked(true);
    const double skipped = run(refresh.Edit5);

    const double f = Median(full);
    std::printf("%d cameras, image %lld bytes, %d runs\n", cameras,
                static_cast<long long>(jpeg.size()), runs);
    std::printf("every camera downloaded: median %.2f s per run, %.1f cameras/s\n", f, cameras / f);
    std::printf("every camera skipped by date: %.2f s, %.1f cameras/s\n", skipped,
                cameras / skipped);
    lumisk::DestroyForms();
    return 0;
}
