// The windows and a command on one data folder: the lock shuts the other
// program out only while it is held, and nothing either program saves is
// lost. The other program is a real second process (datafolderpeer.cpp).
#include "catalogue/cataloguefile.h"
#include "support/mainformfixture.h"
#include "util/datafolderlock.h"

#include <QElapsedTimer>
#include <QProcess>
#include <future>

using namespace lumisk;
using namespace std::chrono_literals;

namespace {

// Starts the peer with these arguments; for "hold", returns once it holds
// the lock.
void StartPeer(QProcess& peer, const QStringList& arguments) {
    peer.start(LUMISK_DATAFOLDER_PEER, arguments);
    ASSERT_TRUE(peer.waitForStarted(20000));
    if (arguments.front() != "hold") return;
    ASSERT_TRUE(peer.waitForReadyRead(20000)) << peer.readAllStandardError().toStdString();
    ASSERT_EQ(peer.readLine().trimmed(), "held");
}

void Release(QProcess& holder) {
    holder.write("\n");
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(20000));
}

TEST(DataFolderLock, NestsWithinOneProcess) {
    test::TTempDir dir;
    const TDataFolderLock outer(dir.Path());
    const TDataFolderLock inner(dir.Path() + "./", 0ms);
    EXPECT_TRUE(inner.Locked());
}

class SharedDataFolder : public test::MainFormFixture {
  protected:
    void TearDown() override {
        TDataFolderLock::SetDefaultWait(10s);
        MainFormFixture::TearDown();
    }
};

TEST_F(SharedDataFolder, AHolderShutsTheWindowOutUntilItLetsGo) {
    WriteNumberedCatalogue(3);
    WriteKnownVersion();
    Start();
    QProcess holder;
    StartPeer(holder, {"hold", QString::fromStdString(dir.Path())});
    TDataFolderLock::SetDefaultWait(100ms);
    const std::string before = dir.Read("orvane.dat");
    Main().url->setText("http://127.0.0.1/changed.jpg");
    Main().StoreCurrentRecord();
    try {
        Main().SaveCatalogue();
        ADD_FAILURE() << "saved while another process held the lock";
    } catch (const EDataFolderBusy& e) {
        EXPECT_EQ(e.Message(), "The data folder " + dir.Path() +
                                   " is locked by another Lumisk program (.lumisk.lock); "
                                   "nothing was saved after waiting 100 ms");
    }
    EXPECT_EQ(dir.Read("orvane.dat"), before);
    // One that may wait long enough gets the lock once the holder lets go.
    auto waiter = std::async(std::launch::async, [&] { TDataFolderLock lock(dir.Path(), 30s); });
    EXPECT_EQ(waiter.wait_for(200ms), std::future_status::timeout) << "not shut out";
    Release(holder);
    ASSERT_EQ(waiter.wait_for(30s), std::future_status::ready);
    Main().SaveCatalogue();
    EXPECT_NE(dir.Read("orvane.dat").find("changed.jpg"), std::string::npos);
}

TEST_F(SharedDataFolder, ACommandsSavesAndTheWindowsLoseNothing) {
    WriteNumberedCatalogue(10);
    WriteKnownVersion("Total Bytes=5000\r\nTotal Images=50\r\n");
    Start();
    QProcess peer;
    StartPeer(peer, {"refresh", QString::fromStdString(dir.Path()), "10", "20"});
    // While the command runs, the window edits its shown camera and counts
    // downloads of its own, saving both each time.
    int rounds = 0;
    QElapsedTimer clock;
    clock.start();
    do {
        ++rounds;
        Main().url->setText(QString("http://127.0.0.1/edited-%1.jpg").arg(rounds));
        Main().StoreCurrentRecord();
        Main().SaveCatalogue();
        App().TotalBytes += 10;
        App().TotalImages += 1;
        Main().SaveSettings();
    } while (!peer.waitForFinished(0) && peer.state() != QProcess::NotRunning &&
             clock.elapsed() < 60000);
    ASSERT_EQ(peer.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(peer.exitCode(), 0) << peer.readAllStandardError().toStdString();
    Main().SaveCatalogue();
    Main().SaveSettings();

    TCatalogue onDisk;
    LoadCatalogueFile(dir.File("orvane.dat"), onDisk);
    ASSERT_EQ(onDisk.Count, 11);
    EXPECT_EQ(onDisk.Records[1].ImageUrl,
              "http://127.0.0.1/edited-" + std::to_string(rounds) + ".jpg");
    for (int k = 2; k <= 10; ++k)
        EXPECT_EQ(onDisk.Records[k].LastModified, "peer 19") << k;
    EXPECT_EQ(onDisk.Records[11].Description, "Added by peer");
    const TSettingsValues totals = ReadSettingsFile(dir.File("orvane.ini"), {}, VersionLine).Values;
    EXPECT_EQ(totals.TotalBytes, 5000 + 20 * 1000 + rounds * 10);
    EXPECT_EQ(totals.TotalImages, 50 + 20 + rounds);
    // The window holds what the command wrote.
    EXPECT_EQ(Main().description_combo->count(), 11);
    EXPECT_EQ(App().Catalogue.Records[10].LastModified, "peer 19");
}

} // namespace
