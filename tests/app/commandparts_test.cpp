// The parts of the command framework that list, add and remove do not
// exercise: the progress line, the stop request, number options and the
// headless loading of settings and favourites.
#include "catalogue/appstate.h"
#include "app/cli/commandargs.h"
#include "app/cli/datafolder.h"
#include "app/cli/progressline.h"
#include "app/cli/stopsignals.h"
#include "support/tempdir.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <poll.h>

using namespace lumisk::cli;

namespace {

// A progress line writing into memory, on a clock the test moves.
struct TCapture {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    double now = 100;
    ~TCapture() {
        std::fclose(file);
        std::free(data);
    }
    TProgressLine Line(bool terminal, int width) {
        return TProgressLine(file, terminal, width, [this] { return now; });
    }
    std::string Text() {
        std::fflush(file);
        return std::string(data, size);
    }
};

} // namespace

TEST(ProgressLine, PlainOutputHasOneLinePerItemWithRateAndTimeLeft) {
    TCapture out;
    TProgressLine progress = out.Line(false, 80);
    progress.Start("cameras", 4);
    out.now += 2;
    progress.Update(1, "Harbour");
    progress.Update(1, "still Harbour"); // a note alone adds no line to a log
    progress.Line("lumisk: Town: HTTP 404");
    out.now += 2;
    progress.Update(2, "Town");
    progress.Finish();
    EXPECT_EQ(out.Text(), "1/4 cameras  25%  30.0/min  0:06 left  Harbour\n"
                          "lumisk: Town: HTTP 404\n"
                          "2/4 cameras  50%  30.0/min  0:04 left  Town\n");
}

TEST(ProgressLine, TerminalLineIsRedrawnInPlaceAndNeverWraps) {
    TCapture out;
    TProgressLine progress = out.Line(true, 22);
    progress.Start("frames", 0);
    out.now += 1;
    progress.Update(3, "waiting for the next frame");
    out.now += 0.05;
    progress.Update(4, "too soon to redraw");
    progress.Line("lumisk: frame 4 unchanged");
    out.now += 60;
    progress.Update(5, "Z\xc3\xbcrich");
    progress.Finish();
    // The last cut falls inside the "ü", which is left out whole.
    EXPECT_EQ(out.Text(), "\r3 frames  3.0/s  wait\x1b[K"
                          "\r\x1b[Klumisk: frame 4 unchanged\n"
                          "\r4 frames  3.8/s  too \x1b[K"
                          "\r5 frames  4.9/min  Z\x1b[K"
                          "\r5 frames  4.9/min  Z\x1b[K\n");
}

TEST(ProgressLine, DurationsReadAsClockTimes) {
    EXPECT_EQ(TProgressLine::DurationText(0), "0:00");
    EXPECT_EQ(TProgressLine::DurationText(59.6), "1:00");
    EXPECT_EQ(TProgressLine::DurationText(7384), "2:03:04");
}

TEST(StopSignals, TermAndInterruptOnlyRequestAStopAndWakeAPoll) {
    TStopSignals::Install();
    for (int signal : {SIGTERM, SIGINT}) {
        TStopSignals::Reset();
        EXPECT_FALSE(TStopSignals::Requested());
        std::raise(signal);
        std::raise(signal); // a second one does not end the process either
        EXPECT_TRUE(TStopSignals::Requested());
        pollfd wake{TStopSignals::WakeFd(), POLLIN, 0};
        EXPECT_EQ(poll(&wake, 1, 0), 1);
    }
    TStopSignals::Reset();
}

struct WholeCase {
    const char* text;
    std::int64_t min, max;
    std::optional<std::int64_t> value;
};

TEST(CommandArgs, WholeNumbersAreCheckedAgainstTheirRange) {
    constexpr std::int64_t kMax = INT64_MAX, kMin = INT64_MIN;
    for (const WholeCase& c :
         std::initializer_list<WholeCase>{{"16", 1, 64, 16},
                                          {"0", 1, 64, std::nullopt},
                                          {"65", 1, 64, std::nullopt},
                                          {"-3", -5, 5, -3},
                                          {"9223372036854775807", 0, kMax, kMax},
                                          {"9223372036854775808", 0, kMax, std::nullopt},
                                          {"-9223372036854775808", kMin, 0, kMin},
                                          {"99999999999999999999", 0, kMax, std::nullopt},
                                          {"", 0, 9, std::nullopt},
                                          {"-", -9, 9, std::nullopt},
                                          {"+4", 0, 9, std::nullopt},
                                          {" 4", 0, 9, std::nullopt},
                                          {"4k", 0, 9, std::nullopt}})
        EXPECT_EQ(ParseWhole(c.text, c.min, c.max), c.value) << c.text;
}

TEST(DataFolder, SettingsAndFavouritesLoadAsTheWindowsLoadThemWithoutWritingAnything) {
    lumisk::test::TTempDir dir;
    const std::string ini = "[Settings]\r\nTimeout=1234\r\nTotal Images=7\r\n"
                            "Version Flag=Lumisk version 0.1\r\n";
    dir.Write("orvane.ini", ini);
    dir.Write("orvane.dat", "Harbour Cam\r\nhttp://h\r\n\r\n\r\n\r\n");
    dir.Write("favorites.dat", "harbour cam\r\nGone\r\n");
    std::vector<std::string> warnings;
    TDataFolder folder(dir.Path(), TDataAccess::MustExist,
                       [&](const std::string& text) { warnings.push_back(text); });
    folder.LoadCatalogue();
    const lumisk::TSettingsValues values = folder.ReadSettings();
    EXPECT_EQ(values.Timeout, "1234");
    EXPECT_EQ(values.ProxyPort, "80"); // the dialog's default
    EXPECT_EQ(lumisk::App().TotalImages, 7);
    // The version flag decides the windows' first run: a command leaves it.
    EXPECT_EQ(dir.Read("orvane.ini"), ini);
    EXPECT_EQ(folder.LoadFavourites(), std::vector<std::string>{"harbour cam"});
    EXPECT_EQ(dir.Read("favorites.dat"), "harbour cam\r\nGone\r\n");
    EXPECT_TRUE(warnings.empty());
}
