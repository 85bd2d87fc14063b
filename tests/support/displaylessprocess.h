#pragma once
// Starts a program as a headless machine would run it: DISPLAY,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM taken out of this process's
// environment, standard input from /dev/null, standard output and error
// written to the files out and err. argv[0] is the program's path, the
// arguments are passed as bytes. Returns the child's pid (the caller waits
// for it), or -1 when it could not be started.
#include <string>
#include <sys/types.h>
#include <vector>

namespace lumisk::test {

pid_t StartWithoutDisplay(const std::vector<std::string>& argv, const std::string& out,
                          const std::string& err);

} // namespace lumisk::test
