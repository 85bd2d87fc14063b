// The Time Protocol client and the date-time values it produces: the
// arithmetic on its own, then whole reads from scripted servers on 127.0.0.1
// and from xinetd's real time service.
#include "support/tempdir.h"
#include "support/timefaultserver.h"
#include "support/xinetdserver.h"
#include "tools/datetimevalue.h"
#include "tools/timeprotocolclient.h"
#include "util/events.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace lumisk {
namespace {

using test::TTimeFaultServer;
using test::TTimePiece;
using test::TTimeScript;

constexpr std::uint32_t August2023 = 3'900'000'000u; // 2 August 2023 21:20:00 UTC
constexpr int UtcPlus10 = -600;

std::string Show(const TLocalDateTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second, t.Millisecond);
    return text;
}

std::string Show(std::optional<TLocalDateTime> t) {
    return t ? Show(*t) : "(none)";
}

// ---- The arithmetic ---------------------------------------------------------

struct TArithmeticCase {
    const char* Name;
    std::uint32_t Seconds;
    std::uint32_t DelayMs;
    int BiasMinutes;
    const char* Expected;
};

class TimeProtocolArithmetic : public testing::TestWithParam<TArithmeticCase> {};

TEST_P(TimeProtocolArithmetic, GivesTheLocalTime) {
    const auto& c = GetParam();
    const double value = TimeProtocolDateTime(c.Seconds, c.DelayMs, c.BiasMinutes,
                                              TTimeProtocolClient::DefaultBaseDate);
    EXPECT_EQ(Show(DecodeDateTime(value)), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeProtocolArithmetic,
    testing::Values(TArithmeticCase{"DelayOf2400msAddsTwoSecondsInUtcPlus10", August2023, 2400,
                                    UtcPlus10, "2023-08-03 07:20:02.000"},
                    TArithmeticCase{"DelayOf999msAddsNothing", August2023, 999, UtcPlus10,
                                    "2023-08-03 07:20:00.000"},
                    TArithmeticCase{"ZoneWestOfUtcSubtracts", August2023, 0, 300,
                                    "2023-08-02 16:20:00.000"},
                    TArithmeticCase{"HalfHourZone", August2023, 0, -570, "2023-08-03 06:50:00.000"},
                    TArithmeticCase{"LastSecondTheFieldHolds", 4'294'967'295u, 999, 0,
                                    "2036-02-07 06:28:15.000"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The count wraps on 7 February 2036; counts below 2^31 are the era after.
INSTANTIATE_TEST_SUITE_P(
    Eras, TimeProtocolArithmetic,
    testing::Values(
        TArithmeticCase{"OneIsTheSecondAfterTheWrapNot1900", 1, 0, 0, "2036-02-07 06:28:17.000"},
        TArithmeticCase{"DelayCarriesAcrossTheWrapNotBackTo1900", 4'294'967'295u, 1000, 0,
                        "2036-02-07 06:28:16.000"},
        TArithmeticCase{"WrapKeepsTheZone", 4'294'967'295u, 2500, UtcPlus10,
                        "2036-02-07 16:28:17.000"},
        TArithmeticCase{"LastCountOfTheLaterEra", 0x7FFF'FFFFu, 0, 0, "2104-02-26 09:42:23.000"},
        TArithmeticCase{"HalfTheRangeIsTheFirstOfTheEarlierEra", 0x8000'0000u, 0, 0,
                        "1968-01-20 03:14:08.000"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Date-time values -------------------------------------------------------

TEST(DateTimeValue, CalendarRoundTripsAndRejectsWhatIsNoDate) {
    const TLocalDateTime leapDay{2024, 2, 29, 23, 59, 59, 999};
    const auto value = EncodeDateTime(leapDay);
    ASSERT_TRUE(value);
    EXPECT_EQ(Show(DecodeDateTime(*value)), Show(leapDay));
    EXPECT_EQ(*EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0);
    EXPECT_EQ(*EncodeDateTime({1970, 1, 1, 0, 0, 0, 0}), UnixEpochDateTime);
    EXPECT_EQ(*EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), TTimeProtocolClient::DefaultBaseDate);

    EXPECT_FALSE(EncodeDateTime({2023, 2, 29, 0, 0, 0, 0}));
    EXPECT_FALSE(EncodeDateTime({2023, 4, 31, 0, 0, 0, 0}));
    EXPECT_FALSE(EncodeDateTime({2023, 1, 1, 24, 0, 0, 0}));
    EXPECT_FALSE(DecodeDateTime(-1));
    EXPECT_FALSE(DecodeDateTime(std::nan("")));
    EXPECT_FALSE(DecodeDateTime(*EncodeDateTime({9999, 12, 31, 23, 59, 59, 999}) + 1));
    // A value a hair below midnight rounds to the next day, not to 24:00.
    EXPECT_EQ(Show(DecodeDateTime(1.9999999999)), "1900-01-01 00:00:00.000");
}

struct TSecondsApartCase {
    const char* Name;
    double SecondsLater;
    std::int64_t Expected;
};

class WholeSecondsApart : public testing::TestWithParam<TSecondsApartCase> {};

TEST_P(WholeSecondsApart, TruncatesWhicheverIsLater) {
    const double base = *EncodeDateTime({2023, 8, 3, 7, 20, 0, 250});
    const double other = base + GetParam().SecondsLater / 86400.0;
    EXPECT_EQ(WholeSecondsBetween(other, base), GetParam().Expected);
    EXPECT_EQ(WholeSecondsBetween(base, other), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeSecondsApart,
                         testing::Values(TSecondsApartCase{"AnHourAndMore", 3725, 3725},
                                         TSecondsApartCase{"Twelve", 12, 12},
                                         TSecondsApartCase{"FractionDropped", 12.999, 12},
                                         TSecondsApartCase{"UnderASecond", 0.4, 0},
                                         TSecondsApartCase{"Same", 0, 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(DateTimeText, ShortDateAndLongTimeWithoutZoneOrMidnight) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale germany(QLocale::German, QLocale::Germany);
    const double morning = *EncodeDateTime({2023, 8, 3, 7, 20, 2, 0});
    const double midnight = *EncodeDateTime({2023, 8, 3, 0, 0, 0, 0});
    // Recent locale data puts a narrow no-break space before "AM".
    const QString american = QString::fromStdString(DateTimeText(morning, us));
    EXPECT_TRUE(american.startsWith("8/3/23 7:20:02")) << american.toStdString();
    EXPECT_TRUE(american.endsWith("AM")) << american.toStdString();
    EXPECT_EQ(DateTimeText(morning, germany), "03.08.23 07:20:02");
    EXPECT_EQ(DateTimeText(midnight, germany), "03.08.23");
    // A millisecond past midnight is not midnight.
    EXPECT_EQ(DateTimeText(midnight + 0.001 / 86400, germany), "03.08.23 00:00:00");
    EXPECT_EQ(DateTimeText(-5, germany), "");
}

// ---- Whole reads from scripted servers --------------------------------------

enum class TOutcome { Time, NoTime, Fails };

struct TServedCase {
    const char* Name;
    TTimeScript Script;
    TOutcome Outcome;
    const char* Expected = "";                 // the local time read (Time)
    TTimeFailure Failure = TTimeFailure::Busy; // the failure (Fails)
    std::int64_t MinMs = 0, MaxMs = 60000;     // how long the read may take
};

TTimeScript Pieces(std::vector<TTimePiece> pieces, bool holdOpen = false) {
    TTimeScript script;
    script.Pieces = std::move(pieces);
    script.HoldOpen = holdOpen;
    return script;
}

const std::string E8754700("\xE8\x75\x47\x00", 4);

void PrintTo(const TServedCase& c, std::ostream* out) {
    *out << c.Name;
}

class TimeFromScriptedServer : public testing::TestWithParam<TServedCase> {};

TEST_P(TimeFromScriptedServer, ReadsOrFails) {
    const auto& c = GetParam();
    TTimeFaultServer server(c.Script);
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetZoneBias([](std::int64_t) { return UtcPlus10; });

    QElapsedTimer clock;
    clock.start();
    std::optional<double> value;
    std::optional<TTimeFailure> failure;
    try {
        value = client.DateTime();
    } catch (const ETimeProtocolError& e) {
        failure = e.Failure();
    }
    const std::int64_t took = clock.elapsed();

    switch (c.Outcome) {
    case TOutcome::Time:
        ASSERT_TRUE(value) << "failed with " << static_cast<int>(*failure);
        EXPECT_EQ(Show(DecodeDateTime(*value)), c.Expected);
        EXPECT_NEAR(client.NetworkDelay(), took / 2.0, 25) << "the delay is half the read";
        break;
    case TOutcome::NoTime:
        ASSERT_TRUE(value);
        EXPECT_EQ(*value, 0);
        break;
    case TOutcome::Fails:
        ASSERT_TRUE(failure) << "read " << Show(DecodeDateTime(*value));
        EXPECT_EQ(*failure, c.Failure);
        break;
    }
    EXPECT_GE(took, c.MinMs);
    EXPECT_LE(took, c.MaxMs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeFromScriptedServer,
    testing::Values(
        // Gaps under the 2500 ms time-out that add up to a network delay of
        // about 2.4 s (half of 4.85 s).
        TServedCase{"DelayOf2400msAddsTwoSeconds",
                    Pieces({{"\xE8", 1600}, {"\x75", 1600}, {std::string("\x47\x00", 2), 1650}}),
                    TOutcome::Time, "2023-08-03 07:20:02.000", TTimeFailure::Busy, 4800, 5900},
        TServedCase{"DelayUnderASecondAddsNothing",
                    Pieces({{"\xE8\x75", 0}, {std::string("\x47\x00", 2), 1700}}), TOutcome::Time,
                    "2023-08-03 07:20:00.000", TTimeFailure::Busy, 1650, 1990},
        TServedCase{"FourBytesInTwoPiecesNearTheTimeOut",
                    Pieces({{"\xE8\x75", 0}, {std::string("\x47\x00", 2), 2200}}), TOutcome::Time,
                    "2023-08-03 07:20:01.000", TTimeFailure::Busy, 2150, 2499},
        TServedCase{"MoreThanFourBytesReadsFour", Pieces({{E8754700 + "\xFF\xFF", 0}}),
                    TOutcome::Time, "2023-08-03 07:20:00.000"},
        TServedCase{"ZeroMeansNoTime", TTimeScript::Seconds(0), TOutcome::NoTime},
        TServedCase{"LastSecondCarriesIntoTheNextEraWithTheDelay",
                    Pieces({{"\xFF\xFF", 1100}, {"\xFF\xFF", 1100}}), TOutcome::Time,
                    "2036-02-07 16:28:16.000", TTimeFailure::Busy, 2150, 3900},
        TServedCase{"ServerClosesAfterTwoBytes", Pieces({{"\xE8\x75", 0}}), TOutcome::Fails, "",
                    TTimeFailure::Closed, 0, 2000},
        TServedCase{"ServerClosesAtOnce", Pieces({}), TOutcome::Fails, "", TTimeFailure::Closed, 0,
                    2000},
        TServedCase{"SilentServerTimesOut", Pieces({}, true), TOutcome::Fails, "",
                    TTimeFailure::TimedOut, 2500, 3500},
        TServedCase{"SilenceAfterTwoBytesTimesOut", Pieces({{"\xE8\x75", 300}}, true),
                    TOutcome::Fails, "", TTimeFailure::TimedOut, 2800, 3800}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TimeProtocolClient, SilentServerSeesTheConnectionClosed) {
    TTimeFaultServer server(Pieces({}, true));
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetTimeout(300);
    EXPECT_THROW(client.DateTime(), ETimeProtocolError);
    EXPECT_TRUE(test::WaitFor([&] { return server.ClosedByClient() == 1; }));
}

TEST(TimeProtocolClient, NothingListeningFailsToConnect) {
    int port = 0;
    { // A port that was just in use and is free now.
        TTimeFaultServer server;
        port = server.Port();
    }
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(port);
    try {
        client.DateTime();
        FAIL() << "read a time from nowhere";
    } catch (const ETimeProtocolError& e) {
        EXPECT_EQ(e.Failure(), TTimeFailure::Connect);
        EXPECT_EQ(e.Message(), "Connection refused");
    }
}

TEST(TimeProtocolClient, ResolvesHostNames) {
    // "localhost" may name ::1 first, where nothing listens: the client
    // tries the next address.
    TTimeFaultServer server(TTimeScript::Seconds(August2023));
    TTimeProtocolClient client;
    client.SetHost("localhost");
    client.SetPort(server.Port());
    client.SetZoneBias([](std::int64_t) { return 0; });
    EXPECT_EQ(Show(DecodeDateTime(client.DateTime())), "2023-08-02 21:20:00.000");
    EXPECT_EQ(client.Seconds(), August2023);
}

TEST(TimeProtocolClient, ZoneIsAskedAboutTheServersMoment) {
    TTimeFaultServer server(TTimeScript::Seconds(August2023));
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    std::int64_t asked = 0;
    client.SetZoneBias([&](std::int64_t unixSeconds) {
        asked = unixSeconds;
        return 0;
    });
    client.DateTime();
    EXPECT_EQ(asked, 1'691'011'200); // 2023-08-02 21:20:00 UTC
}

TEST(TimeProtocolClient, ZoneFailureEndsTheRead) {
    TTimeFaultServer server(TTimeScript::Seconds(August2023));
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetZoneBias(
        [](std::int64_t) -> int { throw ETimeProtocolError(TTimeFailure::Zone, "No zone"); });
    EXPECT_THROW(client.DateTime(), ETimeProtocolError);
}

TEST(TimeProtocolClient, KeepsTheWindowsAliveAndRefusesNestedReads) {
    TTimeFaultServer server(Pieces({}, true));
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    QElapsedTimer clock;
    clock.start();
    std::int64_t last = 0, longestGap = 0;
    int calls = 0;
    std::optional<TTimeFailure> nested;
    SetPendingEventsHook([&] {
        longestGap = std::max<std::int64_t>(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
        if (++calls == 3) {
            try {
                client.DateTime();
            } catch (const ETimeProtocolError& e) {
                nested = e.Failure();
            }
        }
    });
    EXPECT_THROW(client.DateTime(), ETimeProtocolError);
    SetPendingEventsHook(nullptr);
    EXPECT_GE(calls, 10);
    EXPECT_LE(longestGap, 250);
    EXPECT_EQ(nested, TTimeFailure::Busy);
}

// ---- The system's zone -----------------------------------------------------

// Runs with TZ set to zone, restoring the process's zone afterwards.
class ZoneScope {
  public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> old_;
};

TEST(SystemZoneBias, FollowsDaylightSavingAtTheMomentAsked) {
    if (!QFile::exists("/usr/share/zoneinfo/Australia/Sydney"))
        GTEST_SKIP() << "no zone data (Debian package tzdata)";
    ZoneScope sydney("Australia/Sydney");
    EXPECT_EQ(SystemZoneBiasMinutes(1'691'011'200), -600); // August: standard time
    EXPECT_EQ(SystemZoneBiasMinutes(1'673'000'000), -660); // January: daylight time
    ZoneScope newYork("America/New_York");
    EXPECT_EQ(SystemZoneBiasMinutes(1'691'011'200), 240);
}

// ---- The real service --------------------------------------------------------

TEST(TimeProtocolClient, ReadsXinetdsTimeService) {
    if (!test::TXinetdTimeServer::Available()) GTEST_SKIP() << test::TXinetdTimeServer::SkipReason;
    test::TXinetdTimeServer xinetd;
    TTimeProtocolClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(xinetd.Port());
    const double remote = client.DateTime();
    const double local = NowLocalDateTime();
    EXPECT_LE(WholeSecondsBetween(remote, local), 2) << xinetd.Log();
    EXPECT_LT(client.NetworkDelay(), 1000u);
}

} // namespace
} // namespace lumisk
