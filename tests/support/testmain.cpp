// gtest main for every test program: a QApplication on the offscreen
// platform, and the recording seams installed so that no test can show a
// modal dialog, open a browser or end the process.
#include "support/recordingshell.h"
#include "support/scripteddialogs.h"
#include "util/services.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    lumisk::test::InstallRecordingServices();
    return RUN_ALL_TESTS();
}
