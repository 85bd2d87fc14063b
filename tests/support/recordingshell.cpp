#include "support/recordingshell.h"

namespace lumisk::test {

TRecordingShell& Shell() {
    static TRecordingShell shell;
    return shell;
}

} // namespace lumisk::test
