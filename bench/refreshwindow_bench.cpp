// The refresh window's whole run (Update with "all previews"), one camera at
// a time through the main window's View, at several catalogue sizes served by
// a local nginx: each camera has a picture of its own name (hard links of one
// 640 x 480 JPEG). Prints the wall time and cameras per second of each size,
// and each rate against the first size's: a refresh whose cost per camera
// grows with the catalogue shows here as a falling rate.
// Usage: bench_refreshwindow [cameras...]   (default: 200 2000)
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
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

// Seconds of one whole refresh of `cameras` cameras, or -1 when a camera
// failed.
double RefreshSeconds(int cameras, const QString& www, const lumisk::test::TNginx& nginx) {
    for (int i = 0; i < cameras; ++i) {
        const QString name = www + QString("/cam%1.jpg").arg(i);
        if (i > 0 && !QFile::exists(name))
            ::link((www + "/cam0.jpg").toLocal8Bit().constData(), name.toLocal8Bit().constData());
    }
    QTemporaryDir data;
    const std::string folder = data.path().toStdString();
    lumisk::SetDataDirectory(folder);
    QDir().mkpath(data.path() + "/Previews");
    {
        std::ofstream dat(folder + "/orvane.dat", std::ios::binary);
        for (int i = 0; i < cameras; ++i)
            dat << "Camera " << i << "\r\n"
                << nginx.Url("/cam" + std::to_string(i) + ".jpg") << "\r\n\r\n5\r\n\r\n";
        std::ofstream ini(folder + "/orvane.ini", std::ios::binary);
        ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
    }
    lumisk::CreateForms();
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    main.show();
    lumisk::Forms().Settings->DateSkip->setChecked(false);
    lumisk::TRefreshPreviews& refresh = *lumisk::Forms().RefreshPreviews;
    refresh.show();
    refresh.updatestyle->setCurrentIndex(static_cast<int>(lumisk::TRefreshStyle::AllPreviews));
    const auto t0 = std::chrono::steady_clock::now();
    refresh.Button1Click();
    const auto t1 = std::chrono::steady_clock::now();
    const bool allUpdated = refresh.Edit2->text().toInt() == cameras;
    if (!allUpdated)
        std::fprintf(stderr, "%d cameras: %s updated, %s failed\n", cameras,
                     refresh.Edit2->text().toLocal8Bit().constData(),
                     refresh.Edit4->text().toLocal8Bit().constData());
    lumisk::DestroyForms();
    return allUpdated ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {200, 2000};
    if (!lumisk::test::TNginx::Available()) {
        std::fprintf(stderr, "%s\n", lumisk::test::TNginx::SkipReason);
        return 1;
    }

    QTemporaryDir www;
    {
        QImage picture(640, 480, QImage::Format_RGB888);
        std::mt19937 noise(1);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x % 256, y % 256, static_cast<int>(noise() % 64)));
        picture.save(www.path() + "/cam0.jpg", "JPG", 85);
    }
    lumisk::test::TNginx nginx(www.path().toStdString());
    lumisk::bench::TSilentDialogs dialogs;
    lumisk::Services().Dialogs = &dialogs;

    double firstRate = 0;
    for (int cameras : sizes) {
        const double seconds = RefreshSeconds(cameras, www.path(), nginx);
        if (seconds < 0) return 1;
        const double rate = cameras / seconds;
        if (firstRate == 0) firstRate = rate;
        std::printf("%6d cameras: %8.2f s  %7.1f cameras/s  (%.2fx the rate at %d)\n", cameras,
                    seconds, rate, rate / firstRate, sizes.front());
        std::fflush(stdout);
    }
    return 0;
}
