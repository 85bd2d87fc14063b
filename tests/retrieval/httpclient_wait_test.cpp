// The HTTP client while it waits: the read time-out as time without data,
// CloseConnection from nested handlers and work events, the cadence of
// pending-event processing, and refused nested requests.
#include "httpprobe.h"
#include "support/faultserver.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

using TClock = std::chrono::steady_clock;

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

TFaultReply Partial(const std::string& headers, const std::string& sent) {
    TFaultReply r;
    r.Head = "HTTP/1.1 200 OK\r\n" + headers + "\r\n";
    r.Body = sent;
    r.HoldOpen = true;
    return r;
}

TFaultReply Drip(std::size_t pieces, std::size_t pieceBytes, int delayMs, bool announced) {
    TFaultReply r = announced ? TFaultReply::Ok(std::string(pieces * pieceBytes, 'd'))
                              : TFaultReply::UntilClose(std::string(pieces * pieceBytes, 'd'));
    r.ChunkBytes = pieceBytes;
    r.ChunkDelayMs = delayMs;
    return r;
}

TFaultReply LateAnswer(int delayMs) {
    TFaultReply r = TFaultReply::Ok("late");
    r.DelayBeforeHeadMs = delayMs;
    return r;
}

struct TimeoutCase {
    const char* name;
    bool head;
    TFaultReply reply;
    int timeoutMs;
    std::optional<THttpFailure> failure;
    int minElapsedMs; // the request must have lasted at least this long
};

class ReadTimeout : public testing::TestWithParam<TimeoutCase> {};

TEST_P(ReadTimeout, CountsOnlyTimeWithoutData) {
    const auto& c = GetParam();
    TFaultServer server;
    server.On("", "/img", c.reply);
    THttpClient client;
    THttpProbe probe(client);
    client.SetReadTimeout(c.timeoutMs);
    const auto start = TClock::now();
    const TOutcome o = c.head ? HeadOutcome(client, server.Url("/img"))
                              : GetOutcome(client, server.Url("/img"), probe.Sink());
    const auto elapsed = MsSince(start);
    EXPECT_EQ(o.Failure, c.failure);
    EXPECT_GE(elapsed, c.minElapsedMs);
    if (c.failure == THttpFailure::TimedOut) {
        EXPECT_LT(elapsed, c.timeoutMs + 1000);
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(probe.Connects, probe.Disconnects);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadTimeout,
    testing::Values(
        TimeoutCase{"stall_before_the_response", false, LateAnswer(20000), 300,
                    THttpFailure::TimedOut, 300},
        TimeoutCase{"stall_before_the_head_response", true, LateAnswer(20000), 300,
                    THttpFailure::TimedOut, 300},
        TimeoutCase{"stall_in_a_body_with_length", false,
                    Partial("Content-Length: 1000\r\n", "first"), 300, THttpFailure::TimedOut, 300},
        TimeoutCase{"stall_in_a_body_without_length", false, Partial("", "first"), 300,
                    THttpFailure::TimedOut, 300},
        TimeoutCase{"drip_longer_in_total_than_the_timeout", false, Drip(12, 10, 80, true), 400,
                    std::nullopt, 800},
        TimeoutCase{"drip_without_length", false, Drip(12, 10, 80, false), 400, std::nullopt, 800},
        TimeoutCase{"zero_means_no_timeout", false, LateAnswer(500), 0, std::nullopt, 500}),
    CaseName<TimeoutCase>);

enum class TCloseFrom { WorkEvent, PendingEvents };

struct CloseCase {
    const char* name;
    bool head;
    TFaultReply reply;
    TCloseFrom from;
    std::optional<THttpFailure> failure;
};

class CloseDuringRequest : public testing::TestWithParam<CloseCase> {};

TEST_P(CloseDuringRequest, EndsTheWaitAtOnce) {
    const auto& c = GetParam();
    THookGuard hookGuard;
    TFaultServer server;
    server.On("", "/img", c.reply);
    server.On("GET", "/after", TFaultReply::Ok("after"));
    THttpClient client;
    THttpProbe probe(client);
    const auto start = TClock::now();
    std::optional<TClock::time_point> closedAt;
    auto closeOnce = [&] {
        if (closedAt) return;
        closedAt = TClock::now();
        client.CloseConnection();
    };
    if (c.from == TCloseFrom::WorkEvent) {
        client.OnWork = [&](TWorkMode, std::int64_t count) {
            probe.Works.push_back(count);
            if (count >= 300) closeOnce();
        };
    } else {
        // Close once the body has begun, or after a moment of waiting for the response.
        SetPendingEventsHook([&] {
            if (!probe.Works.empty() || MsSince(start) > 150) closeOnce();
        });
    }
    const TOutcome o = c.head ? HeadOutcome(client, server.Url("/img"))
                              : GetOutcome(client, server.Url("/img"), probe.Sink());
    const auto ended = TClock::now();
    SetPendingEventsHook(nullptr);

    ASSERT_TRUE(closedAt);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(ended - *closedAt).count(),
              250);
    EXPECT_EQ(o.Failure, c.failure);
    if (!o.Failure && !c.head) {
        // The bytes so far, and from a work event fewer than the whole body.
        EXPECT_EQ(o.Bytes, static_cast<std::int64_t>(probe.Body.size()));
        EXPECT_FALSE(probe.Body.empty());
        EXPECT_EQ(probe.Body, c.reply.Body.substr(0, probe.Body.size()));
        if (c.from == TCloseFrom::WorkEvent) {
            EXPECT_LT(probe.Body.size(), c.reply.Body.size());
        }
    }
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(probe.Connects, 1);
    EXPECT_EQ(probe.Disconnects, 1);
    EXPECT_TRUE(WaitFor([&] { return server.ClosedByClient() == 1; }))
        << "the server must see the connection go";

    // The client is usable again.
    probe.Body.clear();
    EXPECT_FALSE(GetOutcome(client, server.Url("/after"), probe.Sink()).Failure);
    EXPECT_EQ(probe.Body, "after");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CloseDuringRequest,
    testing::Values(CloseCase{"work_event_with_length_returns_bytes_so_far", false,
                              Drip(40, 100, 20, true), TCloseFrom::WorkEvent, std::nullopt},
                    CloseCase{"work_event_without_length_returns_bytes_so_far", false,
                              Drip(40, 100, 20, false), TCloseFrom::WorkEvent, std::nullopt},
                    CloseCase{"wait_in_a_body_with_length_fails", false,
                              Partial("Content-Length: 1000\r\n", "first"),
                              TCloseFrom::PendingEvents, THttpFailure::ClosedByClient},
                    CloseCase{"wait_in_a_body_without_length_returns", false,
                              Partial("", "first bytes"), TCloseFrom::PendingEvents, std::nullopt},
                    CloseCase{"wait_for_the_response_fails", false, LateAnswer(20000),
                              TCloseFrom::PendingEvents, THttpFailure::ClosedByClient},
                    CloseCase{"wait_for_the_head_response_fails", true, LateAnswer(20000),
                              TCloseFrom::PendingEvents, THttpFailure::ClosedByClient}),
    CaseName<CloseCase>);

TEST(PendingEvents, AreProcessedOftenWhileWaiting) {
    THookGuard hookGuard;
    TFaultServer server;
    server.On("GET", "/img", LateAnswer(600));
    THttpClient client;
    THttpProbe probe(client);
    std::vector<TClock::time_point> calls;
    SetPendingEventsHook([&] { calls.push_back(TClock::now()); });
    const auto start = TClock::now();
    client.Get(server.Url("/img"), probe.Sink());
    const auto end = TClock::now();
    SetPendingEventsHook(nullptr);

    ASSERT_FALSE(calls.empty());
    std::int64_t longestGap =
        std::chrono::duration_cast<std::chrono::milliseconds>(calls.front() - start).count();
    for (std::size_t i = 1; i < calls.size(); ++i)
        longestGap = std::max<std::int64_t>(
            longestGap,
            std::chrono::duration_cast<std::chrono::milliseconds>(calls[i] - calls[i - 1]).count());
    longestGap = std::max<std::int64_t>(
        longestGap,
        std::chrono::duration_cast<std::chrono::milliseconds>(end - calls.back()).count());
    EXPECT_LE(longestGap, 125);
    EXPECT_EQ(probe.Body, "late");
}

TEST(NestedRequest, IsRefusedAndTheRunningOneCompletes) {
    THookGuard hookGuard;
    TFaultServer server;
    server.On("GET", "/img", Drip(10, 50, 40, true));
    server.On("", "/other", TFaultReply::Ok("other"));
    THttpClient client;
    THttpProbe probe(client);
    std::vector<THttpFailure> refused;
    SetPendingEventsHook([&] {
        try {
            client.Head(server.Url("/other"));
        } catch (const EHttpError& e) {
            refused.push_back(e.Failure());
        }
    });
    const TOutcome o = GetOutcome(client, server.Url("/img"), probe.Sink());
    SetPendingEventsHook(nullptr);
    EXPECT_FALSE(o.Failure);
    EXPECT_EQ(probe.Body, std::string(500, 'd'));
    ASSERT_FALSE(refused.empty());
    EXPECT_TRUE(std::all_of(refused.begin(), refused.end(),
                            [](THttpFailure f) { return f == THttpFailure::Busy; }));
    for (const auto& r : server.Requests())
        EXPECT_EQ(r.Target, "/img");
    EXPECT_FALSE(HeadOutcome(client, server.Url("/other")).Failure);
}

TEST(NestedClose, FromTheConnectedEventFailsTheWaitForTheResponse) {
    TFaultServer server;
    server.On("GET", "/img", TFaultReply::Ok("data"));
    THttpClient client;
    int disconnects = 0;
    client.OnDisconnected = [&] { ++disconnects; };
    client.OnConnected = [&] { client.CloseConnection(); };
    std::string body;
    const TOutcome o = GetOutcome(client, server.Url("/img"),
                                  [&](const char* d, std::size_t n) { body.append(d, n); });
    EXPECT_EQ(o.Failure, THttpFailure::ClosedByClient);
    EXPECT_EQ(body, "");
    EXPECT_EQ(disconnects, 1);
    EXPECT_FALSE(client.Connected());
}

} // namespace
