#include "app/cli/stopsignals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lumisk::cli {

namespace {

volatile std::sig_atomic_t gStopRequested = 0;
int gWakePipe[2] = {-1, -1};

// Only async-signal-safe calls here: write() and strlen().
extern "C" void OnStopSignal(int) {
    const int savedErrno = errno;
    const char* text = gStopRequested
                           ? "\nlumisk: still stopping; please wait\n"
                           : "\nlumisk: stopping after the step in progress; please wait\n";
    gStopRequested = 1;
    if (gWakePipe[1] >= 0) (void)!write(gWakePipe[1], "s", 1);
    (void)!write(STDERR_FILENO, text, std::strlen(text));
    errno = savedErrno;
}

} // namespace

void TStopSignals::Install() {
    if (gWakePipe[0] >= 0) return;
    if (pipe2(gWakePipe, O_CLOEXEC | O_NONBLOCK) != 0) gWakePipe[0] = gWakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool TStopSignals::Requested() {
    return gStopRequested != 0;
}

int TStopSignals::WakeFd() {
    return gWakePipe[0];
}

void TStopSignals::Reset() {
    gStopRequested = 0;
    char drain[64];
    if (gWakePipe[0] >= 0)
        while (read(gWakePipe[0], drain, sizeof drain) > 0) {
        }
}

} // namespace lumisk::cli
