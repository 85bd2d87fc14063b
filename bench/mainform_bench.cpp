// The main window with a large catalogue whose previews folder holds a
// preview for every other camera: one navigation step (store the fields,
// move, show the next camera with its preview or the no-preview picture),
// and what one download costs the statistics window while it is hidden.
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "imaging/previewfolder.h"
#include "imaging/previewpaths.h"
#include "silentdialogs.h"
#include "util/datadirectory.h"
#include "util/services.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Description(int i) {
    return "Camera number " + std::to_string(i) + " at the harbour";
}

// A catalogue of cameras, the even-numbered ones with a 320 x 240 JPEG
// preview (hard links of one file: the folder holds as many names as a real
// one), and the windows created on it.
class TBenchProgram {
  public:
    explicit TBenchProgram(int cameras) {
        const std::string path = dir_.path().toStdString() + "/";
        {
            std::ofstream out(path + "orvane.dat", std::ios::binary);
            for (int i = 0; i < cameras; ++i)
                out << Description(i) << "\r\nhttp://127.0.0.1/cams/" << i
                    << "/image.jpg\r\nhttp://127.0.0.1/cams/" << i << "/\r\n5\r\n"
                    << "Sun, 06 Nov 1994 08:49:37 GMT\r\n";
            std::ofstream ini(path + "orvane.ini", std::ios::binary);
            ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
        }
        lumisk::SetDataDirectory(path);
        const std::string previews = lumisk::PreviewsDirectory();
        ::mkdir(previews.c_str(), 0755);
        QImage picture(320, 240, QImage::Format_RGB888);
        picture.fill(QColor(90, 120, 160));
        sample_ = path + "sample.jpg";
        picture.save(QString::fromStdString(sample_), "JPG", 85);
        for (int i = 0; i < cameras; i += 2)
            ::link(sample_.c_str(), lumisk::PreviewBasePath(Description(i)).append(".JPG").c_str());
        lumisk::ResetAppState();
        lumisk::Services().Dialogs = &dialogs_;
        lumisk::CreateForms();
        lumisk::TheMainForm()->show();
    }
    ~TBenchProgram() { lumisk::DestroyForms(); }
    const std::string& Sample() const { return sample_; }

  private:
    QTemporaryDir dir_;
    lumisk::bench::TSilentDialogs dialogs_;
    std::string sample_;
};

void BM_NextStep(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    TBenchProgram program(cameras);
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    for (auto _ : state) {
        if (lumisk::App().Catalogue.Current >= cameras) main.firstbuttonClick();
        main.nextbuttonClick();
    }
}
BENCHMARK(BM_NextStep)->Arg(500)->Arg(10000)->Unit(benchmark::kMillisecond);

// A preview kept as the View keeps it (renamed over the old one), then the
// statistics refreshed as the View refreshes them after counting its bytes.
void BM_StatisticsPerDownload(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    TBenchProgram program(cameras);
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    main.RefreshStatistics();
    const std::string typed = lumisk::DataPath("image.JPG");
    int camera = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ::link(program.Sample().c_str(), typed.c_str());
        state.ResumeTiming();
        const std::string preview = lumisk::PreviewBasePath(Description(camera)) + ".JPG";
        lumisk::PreviewFolder().Keep(typed, preview);
        main.RefreshStatistics();
        camera = (camera + 2) % cameras;
    }
}
BENCHMARK(BM_StatisticsPerDownload)->Arg(500)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
