// Addresses as typed and what the server receives as the request target:
// only what a URL cannot hold raw is encoded, and only in the request.
#include "httpprobe.h"
#include "support/faultserver.h"

#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

struct TargetCase {
    const char* name;
    std::string typed; // the address after "http://127.0.0.1:<port>"
    std::string target;
};

void PrintTo(const TargetCase& c, std::ostream* out) {
    *out << c.name;
}

class RequestTarget : public testing::TestWithParam<TargetCase> {};

TEST_P(RequestTarget, EncodesOnlyWhatAUrlCannotHold) {
    const auto& c = GetParam();
    TFaultServer server;
    server.On("GET", c.target, TFaultReply::Ok("image"));
    THttpClient client;
    THttpProbe probe(client);
    EXPECT_FALSE(GetOutcome(client, server.Url(c.typed), probe.Sink()).Failure);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].Target, c.target);
    EXPECT_EQ(probe.Body, "image");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequestTarget,
    testing::Values(
        TargetCase{"blank_in_path", "/my cam.jpg", "/my%20cam.jpg"},
        TargetCase{"utf8_letter", "/cam\xC3\xA9ra.jpg", "/cam%C3%A9ra.jpg"},
        TargetCase{"latin1_byte", "/cam\xE9.jpg", "/cam%E9.jpg"},
        TargetCase{"blank_in_query", "/snap.cgi?res=hi res&n=1", "/snap.cgi?res=hi%20res&n=1"},
        TargetCase{"existing_escape_not_doubled", "/a%20b c.jpg", "/a%20b%20c.jpg"},
        TargetCase{"control_and_unsafe_marks", "/{a}|\"b\t.jpg", "/%7Ba%7D%7C%22b%09.jpg"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
