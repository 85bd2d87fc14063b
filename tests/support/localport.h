#pragma once
// Helpers for tests that start real servers as child processes on 127.0.0.1.
#include <QProcess>
#include <QString>
#include <string>

namespace lumisk::test {

// A TCP port on 127.0.0.1 that was free a moment ago (the kernel's choice).
int FreeLocalPort();

// Whether something accepts connections on 127.0.0.1:port.
bool AcceptsConnections(int port);

// Waits until 127.0.0.1:port accepts connections, the process ends, or
// timeoutMs passes; true in the first case.
bool WaitUntilAccepting(int port, QProcess& process, int timeoutMs = 10000);

// The program's full path when it is installed ("" when not): PATH and the
// sbin directories, where Debian puts servers.
std::string FindProgram(const QString& name);

// Stops a child server: SIGTERM, then SIGKILL if it does not end in time.
void StopProcess(QProcess& process);

} // namespace lumisk::test
