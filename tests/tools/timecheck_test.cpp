// The time check without its window: what it reports, in which order, and
// that the clock is touched only when setting was asked for. The clock is a
// recorder; the servers are scripted on 127.0.0.1.
#include "support/recordingclock.h"
#include "support/timefaultserver.h"
#include "tools/timecheck.h"

#include <gtest/gtest.h>

namespace lumisk {
namespace {

using test::TTimeScript;

struct TEvents : ITimeCheckObserver {
    std::string Seen;
    void Retrieving() override { Seen += "retrieving "; }
    void TimeRead(const TTimeReading&) override { Seen += "read "; }
    void Setting() override { Seen += "setting "; }
};

struct TCheckCase {
    const char* Name;
    TTimeScript Server;
    bool Set;
    TTimeCheckResult Result;
    const char* Events;
    std::size_t ClockSettings;
};

class TimeCheck : public testing::TestWithParam<TCheckCase> {};

TEST_P(TimeCheck, ReportsInOrderAndSetsOnlyWhenAsked) {
    const TCheckCase& c = GetParam();
    test::TRecordingClock clock;
    test::TTimeFaultServer server(c.Server);
    TTimeProtocolClient client;
    client.SetPort(server.Port());
    TEvents events;
    TTimeCheck check(client);
    EXPECT_EQ(check.Run("127.0.0.1", c.Set, events), c.Result) << check.FailureReason();
    EXPECT_EQ(events.Seen, c.Events);
    EXPECT_EQ(clock.Settings.size(), c.ClockSettings);
    EXPECT_GE(check.Reading().DifferenceSeconds, 59);
    EXPECT_LE(check.Reading().DifferenceSeconds, 61);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeCheck,
    testing::Values(TCheckCase{"ReadingAloneLeavesTheClock", TTimeScript::Clock(60), false,
                               TTimeCheckResult::Read, "retrieving read ", 0},
                    TCheckCase{"SettingAskedSetsTheClock", TTimeScript::Clock(60), true,
                               TTimeCheckResult::Set, "retrieving read setting ", 1}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace lumisk
