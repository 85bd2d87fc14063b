// The HTTP client against a server that misbehaves on purpose: the request
// it sends, which statuses fail, how bodies end, the size cap, cookies,
// connection reuse and the proxy settings.
#include "httpprobe.h"
#include "support/faultserver.h"
#include "support/localport.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

const std::string UserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows 98) ";

// The client as the download pipeline sets it up.
void AsPipeline(THttpClient& client) {
    client.SetRequestHeader("Pragma", "no-cache");
    client.SetRequestHeader("Cache-control", "no-cache");
}

class RequestSent : public testing::TestWithParam<std::string> {};

TEST_P(RequestSent, CarriesExactlyTheFixedAndExtraHeaders) {
    const std::string method = GetParam();
    TFaultServer server;
    server.On("", "/cam.jpg", TFaultReply::Ok("jpeg"));
    THttpClient client;
    AsPipeline(client);
    THttpProbe probe(client);
    if (method == "HEAD")
        client.Head(server.Url("/cam.jpg"));
    else
        client.Get(server.Url("/cam.jpg"), probe.Sink());

    ASSERT_EQ(server.RequestCount(), 1u);
    const TFaultRequest request = server.Requests()[0];
    EXPECT_EQ(request.RawHead.substr(0, request.RawHead.find("\r\n")),
              method + " /cam.jpg HTTP/1.1");
    std::vector<std::string> lines = request.HeaderLines();
    std::vector<std::string> expected = {"Host: 127.0.0.1:" + std::to_string(server.Port()),
                                         "Accept: text/html, */*",
                                         UserAgent,
                                         "Content-Type: text/html",
                                         "Pragma: no-cache",
                                         "Cache-control: no-cache"};
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    // Nothing else: no Content-Length, no Expect, no Accept-Encoding.
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(Methods, RequestSent, testing::Values("HEAD", "GET"),
                         [](const auto& info) { return info.param; });

TEST(RequestHeaders, NamesCompareWithoutCaseAndEmptyRemoves) {
    TFaultServer server;
    server.On("", "/x", TFaultReply::Ok(""));
    THttpClient client;
    client.SetRequestHeader("Pragma", "a");
    client.SetRequestHeader("PRAGMA", "no-cache");
    client.SetRequestHeader("X-Gone", "1");
    client.SetRequestHeader("x-gone", "");
    client.SetRequestHeader("accept", "image/*");
    EXPECT_EQ(client.RequestHeader("pragma"), "no-cache");
    client.Head(server.Url("/x"));
    const auto lines = server.Requests()[0].HeaderLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Pragma: no-cache"), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("X-Gone") == 0; }),
              0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "accept: image/*"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Accept: text/html, */*"), 0);
}

struct StatusCase {
    const char* name;
    const char* method;
    std::string statusLine;
    std::string extraHeaders;
    std::optional<THttpFailure> failure;
    int status;
};

class Statuses : public testing::TestWithParam<StatusCase> {};

TEST_P(Statuses, Only2xxSucceedsAndNothingIsFollowedOrWritten) {
    const auto& c = GetParam();
    TFaultServer server;
    const std::string errorPage = "<html><body>Error</body></html>";
    server.On("", "/img", TFaultReply::Status(c.statusLine, c.extraHeaders, errorPage));
    THttpClient client;
    THttpProbe probe(client);
    const TOutcome o = std::string(c.method) == "HEAD"
                           ? HeadOutcome(client, server.Url("/img"))
                           : GetOutcome(client, server.Url("/img"), probe.Sink());
    EXPECT_EQ(o.Failure, c.failure);
    EXPECT_EQ(o.Status, c.status);
    if (c.failure || std::string(c.method) == "HEAD") {
        EXPECT_EQ(probe.Body, "");
        EXPECT_TRUE(probe.Begins.empty()) << "no body, no work";
    }
    EXPECT_EQ(server.RequestCount(), 1u) << "a Location must not be requested";
}

const std::string Location = "Location: /elsewhere\r\n";
INSTANTIATE_TEST_SUITE_P(
    Cases, Statuses,
    testing::Values(
        StatusCase{"get_200", "GET", "HTTP/1.1 200 OK", "", std::nullopt, 0},
        StatusCase{"head_299", "HEAD", "HTTP/1.1 299 Odd", "", std::nullopt, 0},
        StatusCase{"http_1_0_server", "GET", "HTTP/1.0 200 OK", "", std::nullopt, 0},
        StatusCase{"get_302_not_followed", "GET", "HTTP/1.1 302 Found", Location,
                   THttpFailure::Status, 302},
        StatusCase{"head_301_not_followed", "HEAD", "HTTP/1.1 301 Moved", Location,
                   THttpFailure::Status, 301},
        StatusCase{"get_304", "GET", "HTTP/1.1 304 Not Modified", "", THttpFailure::Status, 304},
        StatusCase{"head_401", "HEAD", "HTTP/1.1 401 Unauthorized",
                   "WWW-Authenticate: Basic realm=\"cam\"\r\n", THttpFailure::Status, 401},
        StatusCase{"get_407", "GET", "HTTP/1.1 407 Proxy Authentication Required", "",
                   THttpFailure::Status, 407},
        StatusCase{"head_404", "HEAD", "HTTP/1.1 404 Not Found", "", THttpFailure::Status, 404},
        StatusCase{"get_404_html_page", "GET", "HTTP/1.1 404 Not Found",
                   "Content-Type: text/html\r\n", THttpFailure::Status, 404},
        StatusCase{"get_503", "GET", "HTTP/1.1 503 Busy", "", THttpFailure::Status, 503}),
    CaseName<StatusCase>);

TEST(Head, FailsWith404WhileGetOfTheSameAddressSucceeds) {
    TFaultServer server;
    server.On("HEAD", "/cam.jpg", TFaultReply::Status("HTTP/1.1 404 Not Found"));
    server.On("GET", "/cam.jpg", TFaultReply::Ok("image"));
    THttpClient client;
    THttpProbe probe(client);
    EXPECT_EQ(HeadOutcome(client, server.Url("/cam.jpg")).Failure, THttpFailure::Status);
    client.CloseConnection();
    EXPECT_FALSE(GetOutcome(client, server.Url("/cam.jpg"), probe.Sink()).Failure);
    EXPECT_EQ(probe.Body, "image");
}

TEST(Head, GivesTheHeaderLinesAsReceivedInOrder) {
    TFaultServer server;
    TFaultReply reply;
    reply.Head = "HTTP/1.1 200 OK\r\n"
                 "last-modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                 "Last-Modified:  Mon, 07 Nov 1994 08:49:37 GMT \r\n"
                 "Content-Length: 10\r\n"
                 "\r\n";
    server.On("HEAD", "/img", reply);
    THttpClient client;
    const auto lines = client.Head(server.Url("/img"));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "HTTP/1.1 200 OK", "last-modified: Sun, 06 Nov 1994 08:49:37 GMT",
                         "Last-Modified:  Mon, 07 Nov 1994 08:49:37 GMT ", "Content-Length: 10"}));
}

TEST(Head, KeepsOnlyTheFinalResponseAfterAnInterimOne) {
    TFaultServer server;
    TFaultReply reply;
    reply.Head = "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n"
                 "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    server.On("HEAD", "/img", reply);
    THttpClient client;
    EXPECT_EQ(client.Head(server.Url("/img")),
              (std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Length: 0"}));
}

struct BodyCase {
    const char* name;
    TFaultReply reply;
    std::optional<THttpFailure> failure;
    std::string body;       // what reaches the sink
    std::int64_t workBegin; // the announced length given to the work-begin event
};

TFaultReply CutShort(const std::string& sent, std::size_t announced) {
    TFaultReply r;
    r.Head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n";
    r.Body = sent;
    return r;
}

TFaultReply Chunked(const std::string& body) {
    TFaultReply r;
    r.Head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    r.Body = "5\r\n" + body.substr(0, 5) + "\r\n" + "3\r\n" + body.substr(5) + "\r\n0\r\n\r\n";
    r.KeepAlive = true;
    return r;
}

const std::string Big(10000, 'b');
const std::string TruncatedJpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01", 17);

class Bodies : public testing::TestWithParam<BodyCase> {};

TEST_P(Bodies, EndAsAnnouncedOrAtTheClose) {
    const auto& c = GetParam();
    TFaultServer server;
    server.On("GET", "/img", c.reply);
    THttpClient client;
    THttpProbe probe(client);
    const TOutcome o = GetOutcome(client, server.Url("/img"), probe.Sink());
    EXPECT_EQ(o.Failure, c.failure);
    EXPECT_EQ(probe.Body, c.body);
    EXPECT_EQ(probe.Begins, std::vector<std::int64_t>{c.workBegin});
    // One work event per block, each at most the receive buffer, counting up.
    ASSERT_EQ(probe.Works.size(), probe.Blocks.size());
    std::int64_t total = 0;
    for (std::size_t i = 0; i < probe.Blocks.size(); ++i) {
        EXPECT_LE(probe.Blocks[i], THttpClient::ReceiveBufferBytes);
        total += static_cast<std::int64_t>(probe.Blocks[i]);
        EXPECT_EQ(probe.Works[i], total);
    }
    EXPECT_TRUE(std::all_of(probe.Modes.begin(), probe.Modes.end(),
                            [](TWorkMode m) { return m == TWorkMode::Read; }));
    if (!c.failure) {
        EXPECT_EQ(o.Bytes, static_cast<std::int64_t>(c.body.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Bodies,
    testing::Values(BodyCase{"announced_length", TFaultReply::Ok(Big), std::nullopt, Big, 10000},
                    BodyCase{"no_length_ends_at_server_close", TFaultReply::UntilClose(Big),
                             std::nullopt, Big, 0},
                    BodyCase{"zero_bytes", TFaultReply::Ok(""), std::nullopt, "", 0},
                    BodyCase{"status_204_has_no_body",
                             TFaultReply::Status("HTTP/1.1 204 No Content"), std::nullopt, "", 0},
                    BodyCase{"bytes_kept_unchanged", TFaultReply::UntilClose(TruncatedJpeg),
                             std::nullopt, TruncatedJpeg, 0},
                    BodyCase{"chunked_without_length", Chunked("abcdefgh"), std::nullopt,
                             "abcdefgh", 0},
                    BodyCase{"cut_short_with_length_fails", CutShort(Big, 20000),
                             THttpFailure::ClosedByServer, Big, 20000}),
    CaseName<BodyCase>);

TEST(BodyCap, AnEndlessBodyStopsAtTheCap) {
    TFaultServer server;
    TFaultReply endless = TFaultReply::UntilClose("");
    endless.Endless = true;
    server.On("GET", "/stream", endless);
    THttpClient client;
    client.SetMaxBodyBytes(100000);
    std::int64_t received = 0;
    const TOutcome o = GetOutcome(client, server.Url("/stream"),
                                  [&](const char*, std::size_t n) { received += n; });
    EXPECT_EQ(o.Failure, THttpFailure::TooLarge);
    EXPECT_LE(received, 100000);
    EXPECT_GT(received, 100000 - 2 * 2048);
}

TEST(BodyCap, AnAnnouncedLengthOverTheCapFailsBeforeTheBody) {
    TFaultServer server;
    server.On("GET", "/big", TFaultReply::Ok(std::string(5000, 'x')));
    THttpClient client;
    client.SetMaxBodyBytes(4999);
    THttpProbe probe(client);
    EXPECT_EQ(GetOutcome(client, server.Url("/big"), probe.Sink()).Failure, THttpFailure::TooLarge);
    EXPECT_EQ(probe.Body, "");
}

TEST(BodyCap, DefaultIs64MiB) {
    TFaultServer server;
    TFaultReply endless = TFaultReply::UntilClose("");
    endless.Endless = true;
    server.On("GET", "/stream", endless);
    THttpClient client;
    std::int64_t received = 0;
    const TOutcome o = GetOutcome(client, server.Url("/stream"),
                                  [&](const char*, std::size_t n) { received += n; });
    EXPECT_EQ(o.Failure, THttpFailure::TooLarge);
    EXPECT_LE(received, 64 * 1024 * 1024);
    EXPECT_GT(received, 64 * 1024 * 1024 - 2 * 2048);
}

TEST(Sink, AnErrorOfTheSinkReachesTheCallerAndClosesTheConnection) {
    TFaultServer server;
    server.On("GET", "/img", TFaultReply::Ok(Big));
    THttpClient client;
    THttpProbe probe(client);
    EXPECT_THROW(client.Get(server.Url("/img"),
                            [](const char*, std::size_t) { throw EFCreateError("image.dat"); }),
                 EFCreateError);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(probe.Connects, probe.Disconnects);
}

TEST(Cookies, SetByTheServerAreSentBackForTheRun) {
    TFaultServer server;
    server.On("HEAD", "/img", TFaultReply::Ok("", "Set-Cookie: session=abc123; Path=/\r\n"));
    server.On("GET", "/img", TFaultReply::Ok("data"));
    THttpClient client;
    THttpProbe probe(client);
    client.Head(server.Url("/img"));
    client.CloseConnection();
    client.Get(server.Url("/img"), probe.Sink());
    const auto sent = server.Requests()[1].HeaderLines();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "Cookie: session=abc123"), sent.end());

    THttpClient other; // a new run knows no cookies
    other.Head(server.Url("/img"));
    const auto fresh = server.Requests()[2].HeaderLines();
    EXPECT_TRUE(std::none_of(fresh.begin(), fresh.end(),
                             [](const std::string& l) { return l.rfind("Cookie:", 0) == 0; }));
}

TEST(Cookies, AtMost50AreKeptPerHostTheNewestOnes) {
    TFaultServer server;
    for (int response = 0; response < 3; ++response) {
        std::string setCookies;
        for (int i = 0; i < 40; ++i)
            setCookies += "Set-Cookie: c" + std::to_string(response * 40 + i) + "=v; Path=/\r\n";
        server.On("GET", "/set" + std::to_string(response), TFaultReply::Ok("", setCookies));
    }
    server.On("GET", "/img", TFaultReply::Ok("data"));
    THttpClient client;
    THttpProbe probe(client);
    for (int response = 0; response < 3; ++response)
        client.Get(server.Url("/set" + std::to_string(response)), probe.Sink());
    client.Get(server.Url("/img"), probe.Sink());
    std::string cookie;
    for (const std::string& line : server.Requests()[3].HeaderLines())
        if (line.rfind("Cookie: ", 0) == 0) cookie = line;
    EXPECT_EQ(std::count(cookie.begin(), cookie.end(), '='), 50) << cookie;
    EXPECT_NE(cookie.find("c119=v"), std::string::npos);
    EXPECT_NE(cookie.find("c70=v"), std::string::npos);
    EXPECT_EQ(cookie.find("c69=v"), std::string::npos);
}

TEST(Connection, IsReusedUntilClosedAndEventsComeInPairs) {
    TFaultServer server;
    TFaultReply reply = TFaultReply::Ok("data");
    reply.KeepAlive = true;
    server.On("", "/img", reply);
    THttpClient client;
    THttpProbe probe(client);
    EXPECT_FALSE(client.Connected());
    client.CloseConnection(); // harmless when not connected
    EXPECT_EQ(probe.Disconnects, 0);

    client.Head(server.Url("/img"));
    EXPECT_TRUE(client.Connected());
    client.Get(server.Url("/img"), probe.Sink());
    EXPECT_EQ(server.Accepted(), 1);
    EXPECT_EQ(probe.Connects, 1);
    EXPECT_EQ(probe.Disconnects, 0);

    client.CloseConnection();
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(probe.Disconnects, 1);
    client.CloseConnection();
    EXPECT_EQ(probe.Disconnects, 1);
    client.Get(server.Url("/img"), probe.Sink());
    EXPECT_EQ(server.Accepted(), 2);
    EXPECT_EQ(probe.Connects, 2);
}

TEST(Connection, ServerCloseAfterABodyWithoutLengthDisconnects) {
    TFaultServer server;
    server.On("GET", "/img", TFaultReply::UntilClose("data"));
    THttpClient client;
    THttpProbe probe(client);
    client.Get(server.Url("/img"), probe.Sink());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(probe.Connects, 1);
    EXPECT_EQ(probe.Disconnects, 1);
}

TEST(Connection, RefusedConnectionFails) {
    THttpClient client;
    THttpProbe probe(client);
    const TOutcome o = GetOutcome(
        client, "http://127.0.0.1:" + std::to_string(FreeLocalPort()) + "/x", probe.Sink());
    EXPECT_EQ(o.Failure, THttpFailure::Connect);
    EXPECT_EQ(probe.Connects, 0);
}

TEST(Connection, OnlyHttpAndHttpsAddressesAreFetched) {
    THttpClient client;
    EXPECT_EQ(HeadOutcome(client, "ftp://127.0.0.1/x").Failure, THttpFailure::Transfer);
}

// Sets an environment variable for one test.
struct TEnvGuard {
    TEnvGuard(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~TEnvGuard() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Proxy, EnvironmentVariablesAreIgnoredAndTheSetProxyIsUsed) {
    TFaultServer camera, proxy;
    camera.On("GET", "/img", TFaultReply::Ok("direct"));
    proxy.On("GET", camera.Url("/img"), TFaultReply::Ok("proxied"));
    TEnvGuard http("http_proxy", proxy.Url(""));
    TEnvGuard all("ALL_PROXY", proxy.Url(""));
    THttpClient client;
    THttpProbe probe(client);
    client.Get(camera.Url("/img"), probe.Sink());
    EXPECT_EQ(probe.Body, "direct");
    EXPECT_EQ(proxy.RequestCount(), 0u);

    TEnvGuard noProxy("no_proxy", "127.0.0.1,localhost");
    client.SetProxy("127.0.0.1", proxy.Port());
    client.CloseConnection();
    probe.Body.clear();
    client.Get(camera.Url("/img"), probe.Sink());
    EXPECT_EQ(probe.Body, "proxied");
    ASSERT_EQ(proxy.RequestCount(), 1u);
    EXPECT_EQ(proxy.Requests()[0].Target, camera.Url("/img"));

    client.SetProxy("", 0);
    client.CloseConnection();
    probe.Body.clear();
    client.Get(camera.Url("/img"), probe.Sink());
    EXPECT_EQ(probe.Body, "direct");
    EXPECT_EQ(proxy.RequestCount(), 1u);
}

} // namespace
