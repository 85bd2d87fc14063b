// One whole View of a 200 KB JPEG from a local nginx (settings and catalogue
// saves, HEAD, GET, detection, preview) against curl doing the same HEAD and
// GET, in one run. Prints the medians and their ratio.
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "catalogue/settings.h"
#include "silentdialogs.h"
#include "support/nginxserver.h"
#include "util/datadirectory.h"
#include "util/services.h"
#include "widgets/forms.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

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
                picture.setPixel(x, y, qRgb(static_cast<int>(noise() % 256), y % 256, static_cast<int>(noise() % 256)));
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

    std::vector<double> view, curl;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        main.viewbuttonClick();
        auto t1 = std::chrono::steady_clock::now();
        if (lumisk::App().DownloadFailed) {
            std::fprintf(stderr, "View failed: %s\n", main.Status().toLocal8Bit().constData());
            return 1;
        }
        view.push_back(std::chrono::duration<double>(t1 - t0).count());
        curl.push_back(CurlSeconds({"-I", QString::fromStdString(url)}) +
                       CurlSeconds({QString::fromStdString(url)}));
    }
    const double v = Median(view), c = Median(curl);
    std::printf("image %zu bytes, %d runs\n", jpeg.size(), runs);
    std::printf("View (whole action):      median %.2f ms\n", v * 1000);
    std::printf("curl HEAD + GET time_total: median %.2f ms\n", c * 1000);
    std::printf("ratio View / curl: %.2f\n", v / c);
    lumisk::DestroyForms();
    return 0;
}
