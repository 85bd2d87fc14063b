// The refresh window's whole run (Update with "all previews"), one camera at
// a time through the main window's View, at several catalogue sizes served by
// a local nginx: each camera has a picture of its own name (hard links of one
// 640 x 480 JPEG). Prints the wall time and cameras per second of each size,
// and each rate against the first size's: a refresh whose cost per camera
// grows with the catalogue shows here as a falling rate.
// A size written CAMERAS/DEAD makes DEAD of the cameras, spread through the
// list, unreachable: their port never completes a connection (a listener
// whose queue is full), so each costs the read time-out, TIMEOUT-MS (the
// settings' time-out, default 5000).
// Usage: bench_refreshwindow [--timeout MS] [CAMERAS[/DEAD]...]   (default: 200 2000)
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "catalogue/settings.h"
#include "silentdialogs.h"
#include "support/nginxserver.h"
#include "support/unreachableport.h"
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
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Seconds of one whole refresh of `cameras` cameras of which `dead` cannot
// be reached, or -1 when the counts are not as expected.
double RefreshSeconds(int cameras, int dead, int timeoutMs, const QString& www,
                      const lumisk::test::TNginx& nginx) {
    for (int i = 0; i < cameras; ++i) {
        const QString name = www + QString("/cam%1.jpg").arg(i);
        if (i > 0 && !QFile::exists(name))
            ::link((www + "/cam0.jpg").toLocal8Bit().constData(), name.toLocal8Bit().constData());
    }
    QTemporaryDir data;
    const std::string folder = data.path().toStdString();
    lumisk::SetDataDirectory(folder);
    QDir().mkpath(data.path() + "/Previews");
    lumisk::test::TUnreachablePort unreachable;
    const int every = dead > 0 ? cameras / dead : cameras + 1;
    {
        std::ofstream dat(folder + "/orvane.dat", std::ios::binary);
        for (int i = 0, d = 0; i < cameras; ++i) {
            const bool isDead = d < dead && i % every == every / 2;
            d += isDead;
            dat << "Camera " << i << "\r\n"
                << (isDead ? unreachable.Url("/cam.jpg")
                           : nginx.Url("/cam" + std::to_string(i) + ".jpg"))
                << "\r\n\r\n5\r\n\r\n";
        }
        std::ofstream ini(folder + "/orvane.ini", std::ios::binary);
        ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
    }
    lumisk::CreateForms();
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    main.show();
    lumisk::Forms().Settings->DateSkip->setChecked(false);
    lumisk::Forms().Settings->timeout->setText(QString::number(timeoutMs));
    lumisk::TRefreshPreviews& refresh = *lumisk::Forms().RefreshPreviews;
    refresh.show();
    refresh.updatestyle->setCurrentIndex(static_cast<int>(lumisk::TRefreshStyle::AllPreviews));
    const auto t0 = std::chrono::steady_clock::now();
    refresh.Button1Click();
    const auto t1 = std::chrono::steady_clock::now();
    const bool allUpdated =
        refresh.Edit2->text().toInt() == cameras - dead && refresh.Edit4->text().toInt() == dead;
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
    std::vector<std::pair<int, int>> sizes; // cameras, dead
    int timeoutMs = 5000;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--timeout" && i + 1 < argc) {
            timeoutMs = std::atoi(argv[++i]);
            continue;
        }
        const char* slash = std::strchr(argv[i], '/');
        sizes.emplace_back(std::atoi(argv[i]), slash ? std::atoi(slash + 1) : 0);
    }
    if (sizes.empty()) sizes = {{200, 0}, {2000, 0}};
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
    for (const auto& [cameras, dead] : sizes) {
        const double seconds = RefreshSeconds(cameras, dead, timeoutMs, www.path(), nginx);
        if (seconds < 0) return 1;
        const double rate = cameras / seconds;
        if (firstRate == 0) firstRate = rate;
        std::printf("%6d cameras, %d unreachable (time-out %d ms): %8.2f s  %7.1f cameras/s  "
                    "(%.2fx the rate of the first)\n",
                    cameras, dead, timeoutMs, seconds, rate, rate / firstRate);
        std::fflush(stdout);
    }
    return 0;
}
