// One navigation step of the main window with a large catalogue: the step
// stores the fields, moves and shows the next camera with its drop-down.
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "silentdialogs.h"
#include "util/datadirectory.h"
#include "util/services.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>

namespace {

void BM_NextStep(benchmark::State& state) {
    const int cameras = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/";
    {
        std::ofstream out(path + "orvane.dat", std::ios::binary);
        for (int i = 0; i < cameras; ++i)
            out << "Camera number " << i << " at the harbour\r\nhttp://127.0.0.1/cams/" << i
                << "/image.jpg\r\nhttp://127.0.0.1/cams/" << i << "/\r\n5\r\n"
                << "Sun, 06 Nov 1994 08:49:37 GMT\r\n";
        std::ofstream ini(path + "orvane.ini", std::ios::binary);
        ini << "[Settings]\r\nVersion Flag=" << lumisk::VersionLine << "\r\n";
    }
    lumisk::SetDataDirectory(path);
    lumisk::ResetAppState();
    lumisk::bench::TSilentDialogs dialogs;
    lumisk::Services().Dialogs = &dialogs;
    lumisk::CreateForms();
    lumisk::TMainForm& main = *lumisk::TheMainForm();
    main.show();
    for (auto _ : state) {
        if (lumisk::App().Catalogue.Current >= cameras) main.firstbuttonClick();
        main.nextbuttonClick();
    }
    lumisk::DestroyForms();
}
BENCHMARK(BM_NextStep)->Arg(500)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
