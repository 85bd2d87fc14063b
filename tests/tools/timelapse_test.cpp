// The time-lapse grab against a real nginx: frames kept, duplicates dropped,
// skipped downloads, the maximum, Stop during a wait, earlier frames, the
// grab's error endings, and the column of seconds, capture hours and stamp.
#include "catalogue/settings.h"
#include "imaging/imagefixtures.h"
#include "support/mainformfixture.h"
#include "support/nginxserver.h"
#include "tools/avibuildform.h"
#include "tools/timelapseform.h"
#include "tools/timelapsegrab.h"
#include "util/events.h"
#include "util/lumiskerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <utime.h>

using namespace lumisk;
using namespace lumisk::test;

class TimeLapse : public MainFormFixture {
  protected:
    void SetUp() override {
        if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
        MainFormFixture::SetUp();
        QDir().mkpath(QString::fromStdString(www.Path()));
        nginx = std::make_unique<TNginx>(www.Path());
        WriteCatalogue({{"Harbour Cam", nginx->Url("/cam.jpg"), "", "5", ""}});
        WriteKnownVersion();
        Picture(0);
        Start();
        Main().Createtimelapseframes1->trigger();
        Form().ShowAVIBuilder->setChecked(false);
        // Tests that do not look at the spacing need not wait for it.
        Form().GrabSpacingMs = 0;
    }
    TTimeLapseForm& Form() { return *Forms().TimeLapseForm; }
    // A different picture for every n; the file's date moves on each time.
    void Picture(int n) {
        QImage picture = SolidPicture(32, 24, QColor(n * 40 % 256, 80, 200));
        www.Write("cam.jpg", EncodeJpeg(picture));
        Touch(n);
    }
    void Touch(int n) {
        struct utimbuf t {
            time(nullptr) + n * 10, time(nullptr) + n * 10
        };
        utime(www.File("cam.jpg").c_str(), &t);
    }
    // Runs action(cycle) after each finished cycle of the grab.
    void EachCycle(std::function<void(int)> action) {
        auto* timer = new QTimer(&Form());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, [this, action, seen = 0]() mutable {
            const int cycles = Form().ImagesDownloaded + Form().SkippedDownloads;
            if (cycles > seen) action(seen = cycles);
        });
        timer->start();
        // A grab that never gets anywhere must still end the test.
        QTimer::singleShot(15000, &Form(), [this] {
            ADD_FAILURE() << "grab still running; main status: " << Main().Status().toStdString();
            Form().Button1->click();
        });
    }
    QStringList Frames() {
        return QDir(QString::fromStdString(dir.File("Frames"))).entryList(QDir::Files, QDir::Name);
    }
    TTempDir www;
    std::unique_ptr<TNginx> nginx;
};

TEST_F(TimeLapse, KeepsChangedFramesDropsDuplicatesAndCountsSkips) {
    // 1: new picture, kept. 2: same date, skipped. 3: touched but identical,
    // downloaded and dropped. 4: new picture, kept under the dropped number.
    EachCycle([this](int cycle) {
        if (cycle == 1) return;
        if (cycle == 2) Touch(2);
        if (cycle == 3) Picture(3);
        if (cycle == 4) Form().Button1->click();
    });
    Form().Button1->click();
    EXPECT_EQ(Form().ImagesDownloaded, 3);
    EXPECT_EQ(Form().UniqueFrames, 2);
    EXPECT_EQ(Form().SkippedDownloads, 1);
    EXPECT_EQ(Frames(), (QStringList{"FRA00000.BMP", "FRA00001.BMP"}));
    EXPECT_EQ(Form().Edit1->text(), "3");
    EXPECT_EQ(Form().Edit2->text(), "2");
    EXPECT_EQ(Form().Edit4->text(), "1");
    EXPECT_EQ(Form().Stats->currentMessage(), "Frame grab stopped");
    EXPECT_EQ(Form().Button1->text(), "Start");
    EXPECT_TRUE(Form().Button1->isEnabled());
    EXPECT_TRUE(Form().Label5->text().startsWith("Disk space used by frames = "));
    EXPECT_FALSE(Form().Label5->text().endsWith(" 0 Bytes"));
}

TEST_F(TimeLapse, MaximumEndsTheGrabAndHandsOverToTheMovieBuilder) {
    Forms().Settings->DateSkip->setChecked(false);
    Form().ShowAVIBuilder->setChecked(true);
    Form().Edit3->setText("3");
    EachCycle([this](int cycle) { Picture(cycle + 1); });
    Form().Button1->click();
    EXPECT_EQ(Form().UniqueFrames, 3);
    EXPECT_EQ(Frames().size(), 3);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(Forms().AVIBuildForm->isVisible());
}

TEST_F(TimeLapse, StopDuringTheWaitEndsItPromptly) {
    Form().FrameDelay->setText("1");
    QElapsedTimer sinceStop;
    EachCycle([&](int) {
        QTimer::singleShot(150, [&] {
            EXPECT_TRUE(Form().Stats->currentMessage().startsWith("Waiting 5"));
            sinceStop.start();
            Form().Button1->click();
        });
    });
    Form().Button1->click();
    ASSERT_TRUE(sinceStop.isValid());
    EXPECT_LT(sinceStop.elapsed(), 400);
    EXPECT_EQ(Form().Button1->text(), "Start");
}

TEST_F(TimeLapse, EarlierFramesAreDeletedOnYesAndContinuedOnNo) {
    dir.Write("Frames/FRA00000.BMP", "old");
    dir.Write("Frames/FRA00004.BMP", "old");
    Form().Edit3->setText("1");
    Dialogs().ConfirmAnswers = {false};
    Form().Button1->click();
    EXPECT_EQ(Dialogs().Texts("Confirm").back(),
              "Previous frame files found.  Do you want to\rdelete them prior to starting the "
              "frame grab?");
    EXPECT_EQ(Frames(), (QStringList{"FRA00000.BMP", "FRA00004.BMP", "FRA00005.BMP"}));

    Dialogs().ConfirmAnswers = {true};
    Forms().Settings->DateSkip->setChecked(false);
    Form().Button1->click();
    EXPECT_EQ(Dialogs().Texts("Information").back(), "Deleted 3 previous frames.");
    EXPECT_EQ(Frames(), QStringList{"FRA00000.BMP"});
}

TEST_F(TimeLapse, UsedUpFrameNumbersStopTheGrabWithoutTouchingFrames) {
    dir.Write("Frames/FRA99999.BMP", "kept");
    Dialogs().ConfirmAnswers = {false};
    Form().Button1->click();
    ASSERT_EQ(Dialogs().Texts("ErrorReport").size(), 1u);
    EXPECT_TRUE(Dialogs().Texts("ErrorReport")[0].startsWith("All frame numbers are used"));
    EXPECT_EQ(Frames(), QStringList{"FRA99999.BMP"});
    EXPECT_EQ(dir.Read("Frames/FRA99999.BMP"), "kept");
    EXPECT_EQ(Form().Button1->text(), "Start");
    EXPECT_TRUE(Form().Button1->isEnabled());
}

TEST_F(TimeLapse, BadNumberInAFieldEndsTheGrabIdle) {
    Form().FrameDelay->setText("x");
    Form().Button1->click();
    ASSERT_EQ(Dialogs().Texts("ErrorReport").size(), 1u);
    EXPECT_EQ(Dialogs().Texts("ErrorReport")[0], "'x' is not a valid integer value.");
    EXPECT_EQ(Form().Button1->text(), "Start");
}

// ---- Each frame is the picture its grab downloaded ---------------------------

enum class TFormat { Jpg, Png, Gif };

struct TServed {
    TFormat Format;
    QColor Colour; // white for a GIF
};

std::string Encoded(const TServed& served) {
    const QImage picture = SolidPicture(32, 24, served.Colour);
    if (served.Format == TFormat::Gif) return SimpleGif(32, 24, 32, 24);
    return served.Format == TFormat::Jpg ? EncodeJpeg(picture) : EncodePng(picture);
}

struct TServedCase {
    const char* Name;
    std::vector<TServed> Pictures; // one per grab, all kept as frames
};

class TimeLapseFrames : public TimeLapse, public testing::WithParamInterface<TServedCase> {};

// A camera that changes its format leaves its old preview beside the new
// one, and the viewer opens the old one first.
TEST_P(TimeLapseFrames, EachFrameIsThePictureItsGrabDownloaded) {
    const auto& pictures = GetParam().Pictures;
    Forms().Settings->DateSkip->setChecked(false);
    www.Write("cam.jpg", Encoded(pictures[0]));
    EachCycle([&](int cycle) {
        if (cycle < static_cast<int>(pictures.size()))
            www.Write("cam.jpg", Encoded(pictures[static_cast<std::size_t>(cycle)]));
        else
            Form().Button1->click();
    });
    Form().Button1->click();
    const QStringList frames = Frames();
    ASSERT_EQ(frames.size(), static_cast<qsizetype>(pictures.size()))
        << frames.join(" ").toStdString();
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const QImage frame(QString::fromStdString(dir.File("Frames/")) + frames[i]);
        const QImage expected = SolidPicture(32, 24, pictures[static_cast<std::size_t>(i)].Colour);
        EXPECT_LE(MaxDifference(frame, expected), 8) << frames[i].toStdString();
    }
}

const QColor Red(200, 30, 30), Blue(30, 30, 200);

INSTANTIATE_TEST_SUITE_P(Cases, TimeLapseFrames,
                         testing::Values(TServedCase{"PngAfterJpegIsNotTheOldJpeg",
                                                     {{TFormat::Jpg, Red}, {TFormat::Png, Blue}}},
                                         TServedCase{"GifBetweenJpegsIsNotTheFirstJpeg",
                                                     {{TFormat::Jpg, Red},
                                                      {TFormat::Gif, Qt::white},
                                                      {TFormat::Jpg, Blue}}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Downloads of one camera are spaced ---------------------------------------

TEST_F(TimeLapse, DelayOfZeroStillSpacesTheDownloads) {
    EXPECT_EQ(TTimeLapseForm().GrabSpacingMs, 5000);
    Form().GrabSpacingMs = 800;
    Forms().Settings->DateSkip->setChecked(false);
    std::vector<qint64> starts;
    QElapsedTimer clock;
    clock.start();
    QString last;
    SetPendingEventsHook([&] {
        const QString status = Form().Stats->currentMessage();
        if (status == "Downloading image ..." && last != status) starts.push_back(clock.elapsed());
        last = status;
        if (starts.size() == 3 && Form().Button1->text() == "Stop" && Form().ImagesDownloaded == 3)
            Form().Button1->click();
        QCoreApplication::processEvents();
    });
    Form().Button1->click();
    SetPendingEventsHook(nullptr);
    ASSERT_EQ(starts.size(), 3u);
    for (std::size_t i = 1; i < starts.size(); ++i)
        EXPECT_GE(starts[i] - starts[i - 1], 790) << "between downloads " << i << " and " << i + 1;
    EXPECT_EQ(Form().ImagesDownloaded, 3);
}

// ---- Seconds, capture hours and the stamp -------------------------------------

TEST_F(TimeLapse, SecondsAndStampReachTheGrab) {
    const QImage picture = SolidPicture(160, 120, QColor(220, 220, 220));
    www.Write("cam.jpg", EncodeJpeg(picture));
    Forms().Settings->DateSkip->setChecked(false);
    Form().FrameDelaySeconds->setText("3");
    Form().StampTime->setChecked(true);
    QString waiting;
    EachCycle([&](int) {
        waiting = Form().Stats->currentMessage();
        Form().Button1->click();
    });
    Form().Button1->click();
    EXPECT_TRUE(waiting == "Waiting 3 seconds ..." || waiting == "Waiting 2 seconds ...")
        << waiting.toStdString();
    ASSERT_EQ(Frames(), QStringList{"FRA00000.BMP"});
    const QImage frame(QString::fromStdString(dir.File("Frames/FRA00000.BMP")));
    EXPECT_LE(MaxDifference(frame.copy(0, 0, 80, 100), picture.copy(0, 0, 80, 100)), 8);
    EXPECT_GT(MaxDifference(frame.copy(40, 100, 120, 20), picture.copy(40, 100, 120, 20)), 100);
}

TEST(TimeLapseRules, DelayAndMaximumFields) {
    EXPECT_EQ(TTimeLapseGrab::DelayMilliseconds("0"), std::nullopt);
    EXPECT_EQ(TTimeLapseGrab::DelayMilliseconds("00"), 0);
    EXPECT_EQ(TTimeLapseGrab::DelayMilliseconds("2"), 120000);
    EXPECT_EQ(TTimeLapseGrab::DelayMilliseconds("0", "0"), std::nullopt);
    EXPECT_THROW(TTimeLapseGrab::DelayMilliseconds("0", "x"), EConvertError);
    EXPECT_FALSE(TTimeLapseGrab::MaximumReached("0", 5));
    EXPECT_TRUE(TTimeLapseGrab::MaximumReached("3", 3));
    EXPECT_FALSE(TTimeLapseGrab::MaximumReached("3", 4)); // equality only
}
