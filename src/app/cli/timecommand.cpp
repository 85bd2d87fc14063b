#include "app/cli/timecommand.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "tools/datetimevalue.h"
#include "tools/timecheck.h"
#include "util/events.h"
#include "util/lumiskerror.h"
#include "util/textutils.h"

#include <cstdio>

namespace lumisk::cli {

namespace {

// "2025-06-01 12:00:03", the same for every locale.
std::string IsoText(double value) {
    const std::optional<TLocalDateTime> t = DecodeDateTime(value);
    if (!t) return "?";
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t->Year, t->Month, t->Day,
                  t->Hour, t->Minute, t->Second);
    return text;
}

} // namespace

std::string TTimeCommand::Summary() const {
    return "compare the clock with an Internet time server, and set it";
}

std::string TTimeCommand::Details() const {
    return "Reads the time from a Time Protocol (RFC 868) server, as the Internet Time\n"
           "Check window does, and writes the server's time, the local time (both\n"
           "local, YYYY-MM-DD HH:MM:SS), the difference in seconds and the network\n"
           "delay to standard output. The clock is set only with --set, which needs\n"
           "the right to change the system time; a time before this program was\n"
           "built is never set.\n";
}

std::vector<TOption> TTimeCommand::Options() const {
    return {{"--set", "", "set the computer's clock to the server's time"},
            {"--server", "HOST",
             std::string("the time server (default ") + TTimeCheck::TimeServers[0] + ")"},
            {"--port", "N", "the server's port (default 37)"}};
}

int TTimeCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const std::string host = args.Text("--server", TTimeCheck::TimeServers[0]);
    if (host.empty()) throw EUsageError("--server needs a host name");
    const int port = static_cast<int>(args.Whole("--port", 1, 65535, 37));
    const bool set = args.Has("--set");

    TTimeProtocolClient client;
    client.SetPort(port);
    struct TReport : ITimeCheckObserver {
        TCommandContext& context;
        std::string server;
        TReport(TCommandContext& c, std::string s) : context(c), server(std::move(s)) {}
        void TimeRead(const TTimeReading& r) override {
            std::string direction;
            if (r.DifferenceSeconds > 0)
                direction = r.Remote > r.Local ? " (the local clock is behind)"
                                               : " (the local clock is ahead)";
            context.Print("Server: " + server + "\nRemote time: " + IsoText(r.Remote) +
                          "\nLocal time: " + IsoText(r.Local) + "\nDifference: " +
                          GroupThousands(r.DifferenceSeconds) + " seconds" + direction +
                          "\nNetwork delay: " + std::to_string(r.NetworkDelayMs) + " ms\n");
        }
    } report(context, port == 37 ? host : host + ":" + std::to_string(port));
    // The client waits on the network yielding to the events: a stop ends
    // the wait there (the connection is closed as on any failure).
    SetPendingEventsHook([&context] {
        if (context.StopRequested()) throw ELumiskError("stopped");
    });
    struct TUnhook {
        ~TUnhook() { SetPendingEventsHook(nullptr); }
    } unhook;
    TTimeCheck check(client);
    switch (check.Run(host, set, report)) {
    case TTimeCheckResult::ReadFailed:
        context.Say("time: unable to read time from " + report.server + ": " +
                    check.FailureReason());
        return kExitPartialFailure;
    case TTimeCheckResult::SetFailed:
        context.Say("time: unable to set time: " + check.FailureReason());
        return kExitPartialFailure;
    case TTimeCheckResult::Set:
        context.Print("Clock set to " + IsoText(check.Reading().Remote) + "\n");
        break;
    case TTimeCheckResult::Read:
        break;
    }
    return kExitSuccess;
}

} // namespace lumisk::cli
