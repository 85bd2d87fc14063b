// Response shapes no real server sends, each as a HEAD then a GET on the same
// client: whatever the bytes, the client neither crashes nor reports success
// for an error status or a header block that never ended, and stays usable.
#include "httpprobe.h"
#include "support/faultserver.h"

#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

TFaultReply Raw(const std::string& head, const std::string& body = "") {
    TFaultReply r;
    r.Head = head;
    r.Body = body;
    return r;
}

const std::string Dated = "HTTP/1.1 200 OK\r\nLast-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n"
                          "Content-Length: 4\r\n\r\n";

struct ShapeCase {
    const char* name;
    TFaultReply head;
    TFaultReply get;
    bool keepAlive; // both answers on one connection
    std::optional<THttpFailure> headFailure;
    std::optional<THttpFailure> getFailure;
    std::string body; // what reaches the sink
};

void PrintTo(const ShapeCase& c, std::ostream* out) {
    *out << c.name;
}

class ResponseShapes : public testing::TestWithParam<ShapeCase> {};

TEST_P(ResponseShapes, FailUnlessComplete2xx) {
    const auto& c = GetParam();
    TFaultServer server;
    TFaultReply head = c.head, get = c.get;
    head.KeepAlive = get.KeepAlive = c.keepAlive;
    server.On("HEAD", "/cam", head);
    server.On("GET", "/cam", get);
    server.On("GET", "/next", TFaultReply::Ok("next"));
    THttpClient client;
    client.SetReadTimeout(2000);
    THttpProbe probe(client);
    EXPECT_EQ(HeadOutcome(client, server.Url("/cam")).Failure, c.headFailure);
    EXPECT_EQ(GetOutcome(client, server.Url("/cam"), probe.Sink()).Failure, c.getFailure);
    EXPECT_EQ(probe.Body, c.body);

    client.CloseConnection();
    probe.Body.clear();
    EXPECT_FALSE(GetOutcome(client, server.Url("/next"), probe.Sink()).Failure);
    EXPECT_EQ(probe.Body, "next");
}

const TFaultReply Fine =
    TFaultReply::Ok("body", "Last-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, ResponseShapes,
    testing::Values(
        ShapeCase{"folded_line_after_get_status_line", Raw(Dated),
                  Raw("HTTP/1.1 200 OK\r\n X-Folded: yes\r\nContent-Length: 4\r\n\r\n", "body"),
                  false, std::nullopt, THttpFailure::Transfer, ""},
        ShapeCase{"folded_line_after_get_status_line_same_connection", Raw(Dated),
                  Raw("HTTP/1.1 200 OK\r\n\tX-Folded: yes\r\nContent-Length: 4\r\n\r\n", "body"),
                  true, std::nullopt, THttpFailure::Transfer, ""},
        ShapeCase{"get_404_block_ends_with_cr_cr_lf", Fine,
                  Raw("HTTP/1.1 404 Not Found\r\nContent-Type: image/jpeg\r\n\r\r\n", "oops"),
                  false, std::nullopt, THttpFailure::Status, ""},
        ShapeCase{"get_404_block_ends_with_cr_and_text", Fine,
                  Raw("HTTP/1.1 404 Not Found\r\n\roops\r\n", "more"), false, std::nullopt,
                  THttpFailure::Status, ""},
        ShapeCase{"get_404_cut_after_lone_cr", Fine, Raw("HTTP/1.1 404 Not Found\r\n\roops"), false,
                  std::nullopt, THttpFailure::Status, ""},
        ShapeCase{"head_503_block_never_ends",
                  Raw("HTTP/1.1 503 Busy\r\nLast-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n"),
                  Fine, false, THttpFailure::Status, std::nullopt, "body"},
        ShapeCase{"head_200_block_never_ends",
                  Raw("HTTP/1.1 200 OK\r\nLast-Modified: Mon, 07 Nov 1994 08:49:37 GMT\r\n"), Fine,
                  false, THttpFailure::ClosedByServer, std::nullopt, "body"},
        ShapeCase{"get_status_line_only", Fine, Raw("HTTP/1.1 200 OK\r\n"), false, std::nullopt,
                  THttpFailure::ClosedByServer, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
