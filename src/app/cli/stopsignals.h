#pragma once
// Ctrl+C (SIGINT) and SIGTERM ask the running command to stop, as the Stop
// button does: the handler only records the request (and says on stderr
// that the command is stopping), so nothing is killed half-way; the
// command's engines poll Requested() between steps and finish or abandon
// the step in progress. Further signals change nothing: a file being
// written is completed or removed by the command, never cut off.
// WakeFd() becomes readable with the first request, so a wait in poll() or
// curl_multi_poll() can include it and wake at once.
namespace lumisk::cli {

class TStopSignals {
  public:
    // Installs the handlers (once; later calls do nothing).
    static void Install();
    static bool Requested();
    // -1 before Install().
    static int WakeFd();
    // Forgets a request and empties the wake pipe (tests run several
    // commands in one process).
    static void Reset();
};

} // namespace lumisk::cli
