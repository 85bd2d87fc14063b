// Load, save and sort of a large catalogue (10,000 cameras, field lengths as
// real catalogues have them).
#include "catalogue/cataloguefile.h"
#include "util/fileio.h"

#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace lumisk;

constexpr int kCameras = 10000;

std::string RandomWord(std::mt19937& rng, std::size_t minLen, std::size_t maxLen) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::size_t len = minLen + rng() % (maxLen - minLen + 1);
    std::string s(len, ' ');
    for (char& c : s)
        c = letters[rng() % (sizeof letters - 1)];
    return s;
}

TCatalogue MakeCatalogue(int cameras) {
    std::mt19937 rng(42);
    TCatalogue cat;
    cat.Records.reserve(static_cast<std::size_t>(cameras) + 1);
    for (int i = 0; i < cameras; ++i) {
        cat.Append();
        const std::string host = "www." + RandomWord(rng, 6, 16) + ".com";
        // About 40, 70, 35, 2 and 29 bytes: a town and a view, an image path,
        // a home page, a few minutes and an HTTP date.
        cat.CurrentRecord().SetFields(
            RandomWord(rng, 8, 20) + " - " + RandomWord(rng, 10, 25),
            "http://" + host + "/webcam/" + RandomWord(rng, 8, 30) + "/current.jpg",
            "http://" + host + "/" + RandomWord(rng, 0, 12), std::to_string(1 + rng() % 60),
            "Tue, 15 Nov 1994 08:12:31 GMT");
    }
    return cat;
}

struct TFixture {
    QTemporaryDir dir;
    TCatalogue catalogue = MakeCatalogue(kCameras);
    std::string Path() const { return dir.path().toStdString() + "/orvane.dat"; }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

void BM_LoadCatalogue(benchmark::State& state) {
    TFixture& f = Fixture();
    SaveCatalogueFile(f.Path(), f.catalogue);
    TCatalogue loaded;
    for (auto _ : state) {
        LoadCatalogueFile(f.Path(), loaded);
        benchmark::DoNotOptimize(loaded.Count);
    }
    state.SetItemsProcessed(state.iterations() * kCameras);
}
BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond);

void BM_SaveCatalogue(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state)
        SaveCatalogueFile(f.Path(), f.catalogue);
    state.SetItemsProcessed(state.iterations() * kCameras);
}
BENCHMARK(BM_SaveCatalogue)->Unit(benchmark::kMillisecond);

// The windows' save after a command stored one camera's date: the file is
// read again under the data folder's lock, merged and written.
void BM_SaveCatalogueMerging(benchmark::State& state) {
    TFixture& f = Fixture();
    const std::string base = CatalogueFileText(f.catalogue);
    TCatalogue changed = f.catalogue;
    changed.Records[kCameras / 2].LastModified = "Wed, 16 Nov 1994 08:12:31 GMT";
    const std::string disk = CatalogueFileText(changed);
    for (auto _ : state) {
        state.PauseTiming();
        TCatalogue mine = f.catalogue;
        TFileSnapshot onDisk;
        onDisk.Record(base);
        WriteFileReplacing(f.Path(), disk);
        state.ResumeTiming();
        SaveCatalogueMerging(f.Path(), mine, onDisk);
    }
    state.SetItemsProcessed(state.iterations() * kCameras);
}
BENCHMARK(BM_SaveCatalogueMerging)->Unit(benchmark::kMillisecond);

// The file text alone, without the write to disk.
void BM_CatalogueFileText(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(CatalogueFileText(f.catalogue));
}
BENCHMARK(BM_CatalogueFileText)->Unit(benchmark::kMillisecond);

void BM_SortByDescription(benchmark::State& state) {
    TCatalogue shuffled = Fixture().catalogue;
    std::shuffle(shuffled.Records.begin() + 1, shuffled.Records.end(), std::mt19937(1));
    for (auto _ : state) {
        state.PauseTiming();
        TCatalogue work = shuffled;
        state.ResumeTiming();
        work.SortByDescription();
        benchmark::DoNotOptimize(work.Records.data());
    }
}
BENCHMARK(BM_SortByDescription)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
