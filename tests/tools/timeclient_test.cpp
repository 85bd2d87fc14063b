// The Internet time check window: the button's captions through a run, what
// the three fields show, and the two failure endings, against scripted time
// servers and xinetd's time service on 127.0.0.1. The clock is a recorder.
#include "support/mainformfixture.h"
#include "support/recordingclock.h"
#include "support/timefaultserver.h"
#include "support/xinetdserver.h"
#include "tools/datetimevalue.h"
#include "tools/timeclient.h"
#include "util/events.h"
#include "widgets/forms.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace lumisk {
namespace {

using test::TRecordingClock;
using test::TTimeFaultServer;
using test::TTimeScript;

using TCaptions = std::vector<std::string>;

class TimeClientWindow : public test::MainFormFixture {
  protected:
    TTimeClient& Window() { return *Forms().TimeClient; }

    // Clicks "Set Time" against 127.0.0.1:port and returns the button's
    // captions as the window system saw them, "(off)" marking a disabled
    // button, each change once.
    TCaptions RunAgainst(int port) {
        Window().show();
        Window().ComboBox1->setEditText("127.0.0.1");
        Window().Time1.SetPort(port);
        TCaptions captions;
        SetPendingEventsHook([&] {
            std::string state = Window().Button1->text().toStdString();
            if (!Window().Button1->isEnabled()) state += " (off)";
            if (captions.empty() || captions.back() != state) captions.push_back(state);
            QCoreApplication::processEvents();
        });
        Window().Button1->click();
        SetPendingEventsHook(nullptr);
        return captions;
    }

    std::string Text(QLineEdit* edit) { return edit->text().toStdString(); }
};

const TCaptions Succeeded = {"Retrieving (off)", "Setting (off)", "Set Time"};
const TCaptions ReadFailed = {"Retrieving (off)", "Set Time"};

struct TRunCase {
    const char* Name;
    std::optional<TTimeScript> Server; // nothing: no server listens
    bool ClockRefuses;
    TCaptions Captions;
    const char* Difference; // Edit3; nullptr for a failed run
    const char* Failure;    // Edit2 of a failed run
    bool ClockAsked;
};

class TimeClientRun : public TimeClientWindow, public testing::WithParamInterface<TRunCase> {};

TEST_P(TimeClientRun, ShowsAndSetsOrEndsWithTheFailure) {
    const auto& c = GetParam();
    TRecordingClock clock;
    clock.Refuse = c.ClockRefuses;
    std::optional<TTimeFaultServer> server;
    int port = 0;
    {
        TTimeFaultServer probe;
        port = probe.Port(); // free again once the probe is gone
    }
    if (c.Server) port = server.emplace(*c.Server).Port();
    Window().Edit1->setText("stale");
    Window().Edit3->setText("stale");

    EXPECT_EQ(RunAgainst(port), c.Captions);
    EXPECT_TRUE(Window().Button1->isEnabled());
    EXPECT_EQ(clock.Settings.size(), c.ClockAsked ? 1u : 0u);
    if (c.Difference) {
        EXPECT_EQ(Text(Window().Edit3), c.Difference);
        ASSERT_EQ(clock.Settings.size(), 1u);
        // The clock gets exactly the time shown as the remote time.
        EXPECT_EQ(Text(Window().Edit2), DateTimeText(*EncodeDateTime(clock.Settings[0])));
        EXPECT_NE(Text(Window().Edit1), "stale");
        EXPECT_NE(Text(Window().Edit1), "");
    } else {
        EXPECT_EQ(Text(Window().Edit2), c.Failure);
        EXPECT_EQ(Text(Window().Edit1), "");
        EXPECT_EQ(Text(Window().Edit3), "");
    }
}

// The scripted server sends its clock's whole second while the window takes
// the local time with its milliseconds a moment later: a server one second
// further ahead is what lies N whole seconds ahead.
INSTANTIATE_TEST_SUITE_P(
    Cases, TimeClientRun,
    testing::Values(TRunCase{"ServerAnHourAheadSetsTheClock", TTimeScript::Clock(3726), false,
                             Succeeded, "3,725 seconds", nullptr, true},
                    TRunCase{"ServerAnHourBehindShowsNoSign", TTimeScript::Clock(-3725), false,
                             Succeeded, "3,725 seconds", nullptr, true},
                    TRunCase{"TwelveSecondsAhead", TTimeScript::Clock(13), false, Succeeded,
                             "12 seconds", nullptr, true},
                    TRunCase{"ClockRefusesToBeSet", TTimeScript::Clock(1), true, Succeeded, nullptr,
                             "Unable to set time", true},
                    // A wrong server must not take the clock back before the build.
                    TRunCase{"TimeBeforeTheBuildIsNotSet", TTimeScript::Seconds(3'900'000'000u),
                             false, Succeeded, nullptr, "Unable to set time", false},
                    TRunCase{"FirstCountOfTheEarlierEraIsNotSet", TTimeScript::Seconds(1u << 31),
                             false, Succeeded, nullptr, "Unable to set time", false},
                    TRunCase{"ServerSendsZero", TTimeScript::Seconds(0), false, ReadFailed, nullptr,
                             "Unable to read time", false},
                    TRunCase{"ServerClosesAfterTwoBytes", TTimeScript{{{"\xE8\x75", 0}}, {}, false},
                             false, ReadFailed, nullptr, "Unable to read time", false},
                    TRunCase{"NothingListens", std::nullopt, false, ReadFailed, nullptr,
                             "Unable to read time", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TimeClientWindow, WithoutAClockTheRunEndsUnableToSetTime) {
    TTimeFaultServer server(TTimeScript::Clock(0));
    EXPECT_EQ(RunAgainst(server.Port()), Succeeded);
    EXPECT_EQ(Text(Window().Edit2), "Unable to set time");
}

TEST_F(TimeClientWindow, EmptyServerNameEndsUnableToReadTime) {
    TRecordingClock clock;
    TTimeFaultServer server(TTimeScript::Clock(0));
    Window().show();
    Window().ComboBox1->setEditText("");
    Window().Time1.SetPort(server.Port());
    Window().Button1->click();
    EXPECT_EQ(Text(Window().Edit2), "Unable to read time");
    EXPECT_EQ(server.Accepted(), 0);
    EXPECT_TRUE(clock.Settings.empty());
}

TEST_F(TimeClientWindow, EachShowingStartsCentredWithTheFirstServer) {
    TTimeClient& w = Window();
    ASSERT_EQ(w.ComboBox1->count(), 6);
    w.show();
    EXPECT_EQ(w.ComboBox1->currentText(), "time.nist.gov");
    w.ComboBox1->setCurrentIndex(3);
    w.ComboBox1->setEditText("my.own.server");
    w.move(0, 0);
    w.hide();
    w.show();
    EXPECT_EQ(w.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(w.ComboBox1->currentText(), "time.nist.gov");
    const QPoint centre = w.frameGeometry().center();
    const QPoint screen = w.screen()->geometry().center();
    EXPECT_LE((centre - screen).manhattanLength(), 2);
    EXPECT_EQ(w.Button1->text(), "Set Time");
}

TEST_F(TimeClientWindow, XinetdsTimeReachesTheClock) {
    if (!test::TXinetdTimeServer::Available()) GTEST_SKIP() << test::TXinetdTimeServer::SkipReason;
    test::TXinetdTimeServer xinetd;
    TRecordingClock clock;
    EXPECT_EQ(RunAgainst(xinetd.Port()), Succeeded) << xinetd.Log();
    ASSERT_EQ(clock.Settings.size(), 1u);
    const double set = *EncodeDateTime(clock.Settings[0]);
    EXPECT_LE(WholeSecondsBetween(set, NowLocalDateTime()), 2);
    const std::string difference = Text(Window().Edit3);
    EXPECT_TRUE(difference == "0 seconds" || difference == "1 seconds") << difference;
}

} // namespace
} // namespace lumisk
