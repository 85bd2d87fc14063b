// Thumbnails of 1280 x 720 JPEG previews, in one run:
//  1. 200 x 200 thumbnails of N previews built in this process, against
//     vipsthumbnail and ImageMagick's "convert -thumbnail 200x200!" on the
//     same files (each tool writes an uncompressed file per thumbnail);
//  2. the first screen of the thumbnail grid: a maximized window on a
//     1920 x 1080 offscreen screen over a catalogue of N cameras, timed from
//     the show to the end of the first paint at full size, with no thumbnail
//     built before.
// Usage: bench_thumbnails [N=500] [screenshot.png]
//
// With --paging, in a process of its own: the grid paged through from the
// first row to the last and back over a catalogue of M cameras of which every
// second one has a preview (1280 x 720 JPEGs), printing the process's memory
// (resident now and at its peak) and the time of one repaint of the whole
// client area with its thumbnails built.
// Usage: bench_thumbnails --paging [M=10000]
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "imaging/imagefixtures.h"
#include "silentdialogs.h"
#include "util/datadirectory.h"
#include "util/services.h"
#include "viewers/thumbnailform.h"
#include "viewers/thumbnails.h"
#include "widgets/forms.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QString CameraName(int i) {
    return QString("Camera %1").arg(i + 1, 3, 10, QChar('0'));
}

// A camera-like picture that differs from camera to camera.
QImage Preview(int i) {
    QImage picture = lumisk::test::CameraPicture(1280, 720);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < 6; ++k) {
        const int seed = i * 7 + k * 13;
        painter.setBrush(QColor::fromHsv(seed * 37 % 360, 160, 200));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(seed * 97 % 1280, seed * 53 % 720), 60 + seed % 120,
                            40 + seed % 90);
    }
    painter.setPen(Qt::white);
    painter.setFont(QFont("Liberation Sans", 40));
    painter.drawText(QRect(0, 0, 1280, 720), Qt::AlignCenter, CameraName(i));
    return picture;
}

// Seconds for a tool, or -1 when it is missing or fails.
double RunTool(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

QString Tool(const QString& name) {
    // The real ImageMagick lives in /usr/bin; anything else called convert is not it.
    const QString path = QStandardPaths::findExecutable(name, {"/usr/bin"});
    return path.isEmpty() ? QStandardPaths::findExecutable(name) : path;
}

void Report(const char* what, double seconds, double ours, int n) {
    if (seconds < 0) {
        std::printf("%-44s not available\n", what);
        return;
    }
    std::printf("%-44s %8.0f ms  %6.2f ms each  ours %.2fx faster\n", what, seconds * 1000,
                seconds * 1000 / n, seconds / ours);
}

// Every cell inside the client area (scrolled to the top) holds a camera
// whose thumbnail exists, or one that has no preview when every second
// camera has none.
bool VisibleThumbnailsBuilt(lumisk::TThumbnailForm& form, bool halfWithout = false) {
    const int columns = form.Grid().Columns();
    const int rows = std::min(form.Grid().Rows(), form.DrawGrid1->ClientHeight() / 201 + 1);
    const auto& catalogue = lumisk::App().Catalogue;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < std::min(columns, form.DrawGrid1->ClientWidth() / 201 + 1); ++c) {
            const int position = c + r * columns;
            if (position < catalogue.Count && !(halfWithout && position % 2 != 0) &&
                !catalogue.Records[static_cast<std::size_t>(position) + 1].thumbnail)
                return false;
        }
    return true;
}

class TPaintWatch : public QObject {
  public:
    QSize LastPaintSize;
    int Paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            LastPaintSize = static_cast<QWidget*>(watched)->size();
            ++Paints;
        }
        return false;
    }
};

// A line of /proc/self/status in megabytes ("VmRSS", "VmHWM").
double ProcessMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) {
            std::istringstream in(line.substr(field.size() + 1));
            double kilobytes = 0;
            in >> kilobytes;
            return kilobytes / 1024;
        }
    return -1;
}

void WriteSettings(const std::string& dataDir) {
    std::ofstream ini(dataDir + "orvane.ini", std::ios::binary);
    ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
}

// Pages the grid of a catalogue of many cameras, half of them without a
// preview, down to the last row and back up again.
int Paging(const QString& dataPath, int cameras) {
    const std::string dataDir = dataPath.toStdString() + "/";
    QDir().mkpath(dataPath + "/Previews");
    QDir().mkpath(dataPath + "/sources");
    // A few distinct pictures, linked under the cameras' names: every
    // thumbnail is still decoded and built on its own.
    constexpr int kDistinct = 40;
    for (int k = 0; k < kDistinct; ++k)
        Preview(k).save(QString("%1/sources/%2.JPG").arg(dataPath).arg(k), "JPG", 85);
    {
        std::ofstream dat(dataDir + "orvane.dat", std::ios::binary);
        for (int i = 0; i < cameras; ++i) {
            const QString name = CameraName(i);
            dat << name.toStdString() << "\r\nhttp://127.0.0.1:9/cam.jpg\r\n\r\n5\r\n\r\n";
            if (i % 2 != 0) continue;
            const QString source =
                QString("%1/sources/%2.JPG").arg(dataPath).arg(i / 2 % kDistinct);
            const QString target = dataPath + "/Previews/" + name + ".JPG";
            if (!QFile::link(source, target) && !QFile::copy(source, target)) return 1;
        }
        WriteSettings(dataDir);
    }
    std::printf("%d cameras, %d with a 1280 x 720 preview\n", cameras, (cameras + 1) / 2);
    std::printf("thumbnail budget %.0f MB\n",
                static_cast<double>(lumisk::ThumbnailBudget()) / (1 << 20));

    lumisk::SetDataDirectory(dataDir);
    lumisk::ResetAppState();
    lumisk::bench::TSilentDialogs dialogs;
    lumisk::Services().Dialogs = &dialogs;
    lumisk::CreateForms();
    lumisk::TheMainForm()->show();
    QApplication::processEvents();
    const double startRss = ProcessMegabytes("VmRSS");
    lumisk::TThumbnailForm& form = *lumisk::Forms().ThumbnailForm;
    TPaintWatch watch;
    form.DrawGrid1->viewport()->installEventFilter(&watch);
    form.showMaximized();
    QElapsedTimer timer;
    timer.start();
    while (watch.LastPaintSize != form.DrawGrid1->viewport()->size() ||
           form.DrawGrid1->ClientWidth() < 1800) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (timer.elapsed() > 60000) return 1;
    }

    QScrollBar& bar = *form.DrawGrid1->verticalScrollBar();
    std::vector<double> pages;
    double peakRss = 0;
    int steps = 0;
    // Down to the last row, then back to the first.
    for (int direction : {1, -1}) {
        while (direction > 0 ? bar.value() < bar.maximum() : bar.value() > 0) {
            const int paints = watch.Paints;
            QElapsedTimer page;
            page.start();
            bar.setValue(bar.value() + direction * bar.pageStep());
            while (watch.Paints == paints)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            pages.push_back(static_cast<double>(page.nsecsElapsed()) / 1e6);
            peakRss = std::max(peakRss, ProcessMegabytes("VmRSS"));
            ++steps;
        }
    }
    if (!VisibleThumbnailsBuilt(form, true)) {
        std::fprintf(stderr, "paging left visible cells without thumbnails\n");
        return 1;
    }

    // One repaint of the whole client area, every visible thumbnail there.
    std::vector<double> repaints;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer repaint;
        repaint.start();
        form.DrawGrid1->viewport()->repaint();
        repaints.push_back(static_cast<double>(repaint.nsecsElapsed()) / 1e6);
    }
    int kept = 0;
    for (const auto& record : lumisk::App().Catalogue.Records)
        kept += record.thumbnail ? 1 : 0;
    std::printf("client %d x %d, %d x %d cells visible, %d page steps down and up\n",
                form.DrawGrid1->ClientWidth(), form.DrawGrid1->ClientHeight(),
                form.Grid().Columns(), form.DrawGrid1->ClientHeight() / 201 + 1, steps);
    std::printf("page step (scroll, build what shows, paint): median %.1f ms, max %.1f ms\n",
                Median(pages), *std::max_element(pages.begin(), pages.end()));
    std::printf("thumbnails kept at the end: %d, %.1f MB of pixels\n", kept,
                static_cast<double>(lumisk::ThumbnailBytesKept()) / (1 << 20));
    std::printf("resident memory: %.0f MB before the grid, at most %.0f MB while paging, "
                "%.0f MB at the end, peak of the process %.0f MB (under 400 wanted)\n",
                startRss, peakRss, ProcessMegabytes("VmRSS"), ProcessMegabytes("VmHWM"));
    std::printf("one repaint of the whole client area: median %.2f ms, max %.2f ms "
                "(under 16 wanted)\n",
                Median(repaints), *std::max_element(repaints.begin(), repaints.end()));
    lumisk::DestroyForms();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir data, out;
    {
        QFile screens(data.path() + "/screens.json");
        screens.open(QIODevice::WriteOnly);
        screens.write(R"({"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1080,)"
                      R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    }
    qputenv("QT_QPA_PLATFORM",
            ("offscreen:configfile=" + data.path() + "/screens.json").toLocal8Bit());
    QApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--paging")
        return Paging(data.path(), argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000);
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const QString screenshot = argc > 2 ? QString(argv[2]) : QString();

    const std::string dataDir = data.path().toStdString() + "/";
    QDir().mkpath(data.path() + "/Previews");
    QStringList files;
    qint64 bytes = 0;
    {
        std::ofstream dat(dataDir + "orvane.dat", std::ios::binary);
        for (int i = 0; i < n; ++i) {
            const QString file = data.path() + "/Previews/" + CameraName(i) + ".JPG";
            Preview(i).save(file, "JPG", 85);
            bytes += QFileInfo(file).size();
            files << file;
            dat << CameraName(i).toStdString() << "\r\nhttp://127.0.0.1:9/cam.jpg\r\n\r\n5\r\n\r\n";
        }
        WriteSettings(dataDir);
    }
    std::printf("%d previews of 1280 x 720, %.0f KB on average\n\n", n,
                static_cast<double>(bytes) / n / 1024);

    // ---- 1. Building thumbnails ---------------------------------------------
    std::vector<double> ours;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (const QString& file : files)
            if (!lumisk::MakeThumbnail(file.toStdString())) return 1;
        ours.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    const double own = Median(ours);
    std::printf("%-44s %8.0f ms  %6.2f ms each\n", "Lumisk MakeThumbnail (in process, 1 thread)",
                own * 1000, own * 1000 / n);

    const QString vips = Tool("vipsthumbnail");
    if (!vips.isEmpty()) {
        const QStringList args = QStringList{"-s", "200x200!", "-o", out.path() + "/%s.v"} + files;
        auto oneThread = QProcessEnvironment::systemEnvironment();
        oneThread.insert("VIPS_CONCURRENCY", "1");
        Report("vipsthumbnail, one process for all", RunTool(vips, args), own, n);
        Report("vipsthumbnail, one process, VIPS_CONCURRENCY=1", RunTool(vips, args, oneThread),
               own, n);
    } else {
        Report("vipsthumbnail", -1, own, n);
    }
    const QString convert = Tool("convert");
    if (!convert.isEmpty()) {
        double total = 0;
        for (int i = 0; i < n && total >= 0; ++i) {
            const double t = RunTool(convert, {files[i], "-thumbnail", "200x200!",
                                               QString("%1/im%2.bmp").arg(out.path()).arg(i)});
            total = t < 0 ? -1 : total + t;
        }
        Report("convert -thumbnail 200x200!, one per file", total, own, n);
    } else {
        Report("convert", -1, own, n);
    }
    const QString mogrify = Tool("mogrify");
    if (!mogrify.isEmpty())
        Report("mogrify -thumbnail 200x200!, one process",
               RunTool(mogrify, QStringList{"-path", out.path(), "-format", "bmp", "-thumbnail",
                                            "200x200!"} +
                                    files),
               own, n);

    // ---- 2. The first screen of the grid -------------------------------------
    lumisk::SetDataDirectory(dataDir);
    lumisk::ResetAppState();
    lumisk::bench::TSilentDialogs dialogs;
    lumisk::Services().Dialogs = &dialogs;
    lumisk::CreateForms();
    lumisk::TheMainForm()->show();
    lumisk::TThumbnailForm& form = *lumisk::Forms().ThumbnailForm;
    TPaintWatch watch;
    form.DrawGrid1->viewport()->installEventFilter(&watch);

    std::vector<double> screens;
    for (int run = 0; run < 5; ++run) {
        form.hide();
        for (auto& record : lumisk::App().Catalogue.Records)
            record.thumbnail.reset();
        QApplication::processEvents();
        watch.LastPaintSize = {};
        QElapsedTimer timer;
        timer.start();
        form.showMaximized();
        // Done once a paint has covered the client area at its final size.
        while (watch.LastPaintSize != form.DrawGrid1->viewport()->size() ||
               form.DrawGrid1->ClientWidth() < 1800) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (timer.elapsed() > 60000) return 1;
        }
        screens.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (!VisibleThumbnailsBuilt(form)) {
            std::fprintf(stderr, "first paint left visible cells without thumbnails\n");
            return 1;
        }
    }
    int built = 0;
    for (const auto& record : lumisk::App().Catalogue.Records)
        built += record.thumbnail ? 1 : 0;
    std::printf("\nfirst screen of the grid, %d x %d window, client %d x %d, %d x %d cells:\n",
                form.width(), form.height(), form.DrawGrid1->ClientWidth(),
                form.DrawGrid1->ClientHeight(), form.Grid().Columns(),
                form.DrawGrid1->ClientHeight() / 201 + 1);
    std::printf("  show to first full paint: first %.0f ms, median of %zu %.0f ms "
                "(%d thumbnails built)\n",
                screens.front() * 1000, screens.size(), Median(screens) * 1000, built);
    if (!screenshot.isEmpty()) form.grab().save(screenshot);
    lumisk::DestroyForms();
    return 0;
}
