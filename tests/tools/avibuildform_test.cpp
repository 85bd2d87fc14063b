// The AVI builder window: the proposed movie name, the choice of format, a
// build through the Build button with its status bar, preview, frame
// deletion and viewing, and how each refusal reaches the user.
#include "app/mainform.h"
#include "imaging/bmpwriter.h"
#include "support/mainformfixture.h"
#include "tools/avibuildform.h"
#include "tools/aviprobe.h"
#include "util/events.h"
#include "widgets/forms.h"

#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>

using namespace lumisk;
using lumisk::test::Dialogs;
using lumisk::test::Shell;

namespace {

class AviBuildFormTest : public test::MainFormFixture {
  protected:
    TAVIBuildForm& Form() { return *Forms().AVIBuildForm; }
    std::string Frame(int k) {
        char name[32];
        std::snprintf(name, sizeof name, "Frames/FRA%05d.BMP", k);
        return dir.File(name);
    }
    std::vector<QImage> WriteFrames(std::vector<int> numbers, int width = 32, int height = 24) {
        std::filesystem::create_directories(dir.File("Frames"));
        std::vector<QImage> pictures;
        for (int k : numbers) {
            pictures.push_back(test::FramePicture(width, height, k));
            SaveImageAsBitmap(pictures.back(), Frame(k));
        }
        return pictures;
    }
    QString Display(const std::string& path) { return QFile::decodeName(path.c_str()); }
};

TEST_F(AviBuildFormTest, EachShowingProposesTheNextFreeMovieName) {
    Form().show();
    EXPECT_EQ(Form().TargetFileName->text(), Display(dir.File("AVI00000.AVI")));
    dir.Write("AVI00000.AVI", "movie");
    Form().TargetFileName->setText("typed.avi");
    Form().hide();
    Form().show();
    EXPECT_EQ(Form().TargetFileName->text(), Display(dir.File("AVI00001.AVI")));
}

TEST_F(AviBuildFormTest, NoNameLeftIsReportedAndTheLastMovieKept) {
    WriteFrames({0});
    Form().show();
    Form().hide();
    dir.Write("AVI99999.AVI", "last movie");
    Form().show();
    ASSERT_EQ(Dialogs().Texts("ErrorReport").size(), 1u);
    EXPECT_EQ(Dialogs().Texts("ErrorReport")[0].toStdString(),
              "No numbered name is left: " + dir.File("AVI99999.AVI") + " is the last one.");
    EXPECT_EQ(Form().TargetFileName->text(), "");
    Form().Button1->click();
    EXPECT_EQ(dir.Read("AVI99999.AVI"), "last movie");
    EXPECT_FALSE(std::filesystem::exists(dir.File("AVI100000.AVI")));
}

TEST_F(AviBuildFormTest, BuildWritesShowsDeletesAndOpensTheMovie) {
    const std::vector<QImage> pictures = WriteFrames({0, 1, 2});
    Form().show();
    const std::string movie = dir.File("AVI00000.AVI");
    // What the status bar shows each time the window gets to repaint.
    std::vector<QString> shown;
    SetPendingEventsHook([&] { shown.push_back(Form().stats->currentMessage()); });
    Form().Button1->click();
    SetPendingEventsHook(nullptr);

    EXPECT_TRUE(Dialogs().Shown.empty());
    EXPECT_EQ(Form().stats->currentMessage(), "AVI file created.");
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Building AVI Movie - Frame 3 of 3"),
              shown.end());
    EXPECT_TRUE(Form().PreviewImage->Picture() == pictures[2]);
    for (int k : {0, 1, 2})
        EXPECT_FALSE(std::filesystem::exists(Frame(k)));
    EXPECT_EQ(Shell().Opened, QStringList{Display(movie)});

    const test::TAviLayout a = test::ReadAviLayout(movie);
    EXPECT_EQ(a.Problems, "");
    ASSERT_EQ(a.FrameData.size(), 3u);
    EXPECT_EQ(a.Rate, 15u);
    EXPECT_TRUE(test::StoredFrame(movie, a, 1) == pictures[1]);
}

struct ClickCase {
    const char* name;
    std::vector<int> frames;
    const char* fps;
    bool deleteFrames, view;
    const char* dialogKind; // "" for none
    const char* dialogText; // {dir} stands for the data directory
    bool movieWritten, opened;
    int broken = -1;     // a frame number whose file is not a bitmap
    const char* crf = 0; // MP4 of that quality; AVI when unset
};
void PrintTo(const ClickCase& c, std::ostream* os) {
    *os << c.name;
}

class Clicks : public AviBuildFormTest, public testing::WithParamInterface<ClickCase> {};

TEST_P(Clicks, OutcomeReachesTheUser) {
    const ClickCase& c = GetParam();
    WriteFrames(c.frames);
    if (c.broken >= 0) dir.Write("Frames/FRA0000" + std::to_string(c.broken) + ".BMP", "BM");
    Form().show();
    Form().AVIFPS->setText(c.fps);
    Form().delframes->setChecked(c.deleteFrames);
    Form().CheckBox1->setChecked(c.view);
    if (c.crf) {
        Form().MovieFormat->setCurrentIndex(1);
        Form().MP4CRF->setText(c.crf);
    }
    Form().Button1->click();

    if (*c.dialogKind) {
        ASSERT_EQ(Dialogs().Shown.size(), 1u);
        EXPECT_EQ(Dialogs().Shown[0].Kind.toStdString(), c.dialogKind);
        EXPECT_EQ(Dialogs().Shown[0].Text.toStdString(), c.dialogText);
    } else {
        EXPECT_TRUE(Dialogs().Shown.empty());
    }
    EXPECT_EQ(dir.Exists(c.crf ? "MOV00000.MP4" : "AVI00000.AVI"), c.movieWritten);
    EXPECT_EQ(Shell().Opened.size(), c.opened ? 1 : 0);
    for (int k : c.frames)
        EXPECT_EQ(std::filesystem::exists(Frame(k)), !(c.deleteFrames && c.dialogKind[0] == 0))
            << "frame " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Clicks,
    testing::Values(
        ClickCase{"rate_not_a_number_builds_nothing",
                  {0},
                  "abc",
                  true,
                  true,
                  "ErrorReport",
                  "'abc' is not a valid integer value.",
                  false,
                  false},
        ClickCase{"rate_zero_builds_nothing",
                  {0},
                  "0",
                  true,
                  true,
                  "ErrorReport",
                  "Frames per second must be 1 or more, not 0.",
                  false,
                  false},
        ClickCase{"no_frames_still_views",
                  {},
                  "15",
                  true,
                  true,
                  "Error",
                  "No frames exist to build an AVI movie from.",
                  false,
                  true},
        ClickCase{"frames_kept_and_not_viewed", {0, 1}, "10", false, false, "", "", true, false},
        ClickCase{"gap_in_numbers_still_builds", {3, 10}, "15", true, true, "", "", true, true},
        ClickCase{"unreadable_frame_ends_with_the_decoder_message",
                  {0, 1},
                  "15",
                  true,
                  true,
                  "ErrorReport",
                  "Invalid BMP image: no bitmap file header.",
                  true,
                  false,
                  1},
        ClickCase{"mp4_quality_not_a_number_builds_nothing",
                  {0},
                  "15",
                  true,
                  true,
                  "ErrorReport",
                  "'x' is not a valid integer value.",
                  false,
                  false,
                  -1,
                  "x"},
        ClickCase{"mp4_quality_above_51_builds_nothing",
                  {0},
                  "15",
                  true,
                  true,
                  "ErrorReport",
                  "Quality (CRF) must be from 0 to 51, not 52.",
                  false,
                  false,
                  -1,
                  "52"},
        // Unlike the AVI, an MP4 is playable only when complete.
        ClickCase{"mp4_unreadable_frame_leaves_no_movie",
                  {0, 1},
                  "15",
                  true,
                  true,
                  "ErrorReport",
                  "Invalid BMP image: no bitmap file header.",
                  false,
                  false,
                  1,
                  "23"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviBuildFormTest, Mp4BuildWritesShowsDeletesAndOpensTheMovie) {
    const std::vector<QImage> pictures = WriteFrames({0, 1, 2});
    Form().show();
    EXPECT_FALSE(Form().MP4CRF->isEnabled());
    Form().MovieFormat->setCurrentIndex(1);
    EXPECT_TRUE(Form().MP4CRF->isEnabled());
    EXPECT_EQ(Form().CheckBox1->text(), "View MP4 after build");
    const std::string movie = dir.File("MOV00000.MP4");
    ASSERT_EQ(Form().TargetFileName->text(), Display(movie));
    Form().AVIFPS->setText("5");
    Form().MP4CRF->setText("30");
    // The format cannot change under a running build.
    bool locked = true;
    SetPendingEventsHook([&] { locked = locked && !Form().MovieFormat->isEnabled(); });
    Form().Button1->click();
    SetPendingEventsHook(nullptr);
    EXPECT_TRUE(locked);
    EXPECT_TRUE(Form().MovieFormat->isEnabled());

    EXPECT_TRUE(Dialogs().Shown.empty());
    EXPECT_EQ(Form().stats->currentMessage(), "MP4 file created.");
    EXPECT_TRUE(Form().PreviewImage->Picture() == pictures[2]);
    for (int k : {0, 1, 2})
        EXPECT_FALSE(std::filesystem::exists(Frame(k)));
    EXPECT_EQ(Shell().Opened, QStringList{Display(movie)});
    EXPECT_EQ(dir.Read("MOV00000.MP4").substr(4, 4), "ftyp");
}

// Switching the format: the proposed name follows it; a name of the user's
// own keeps its stem and only a movie extension of the other format changes.
struct SwitchCase {
    const char* name;
    const char* typed; // nullptr: the name as proposed
    const char* toMp4; // what the field holds after choosing MP4
    const char* back;  // and after choosing AVI again
};
void PrintTo(const SwitchCase& c, std::ostream* os) {
    *os << c.name;
}

class FormatSwitch : public AviBuildFormTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(FormatSwitch, TargetNameFollowsTheFormat) {
    const SwitchCase& c = GetParam();
    dir.Write("MOV00000.MP4", "an earlier movie");
    Form().show();
    if (c.typed) Form().TargetFileName->setText(c.typed);
    Form().MovieFormat->setCurrentIndex(1);
    const QString data = Display(dir.Path());
    EXPECT_EQ(Form().TargetFileName->text(), QString(c.toMp4).replace("{dir}", data));
    Form().MovieFormat->setCurrentIndex(0);
    EXPECT_EQ(Form().TargetFileName->text(), QString(c.back).replace("{dir}", data));
    EXPECT_TRUE(Dialogs().Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatSwitch,
                         testing::Values(SwitchCase{"proposed_name_is_proposed_anew", nullptr,
                                                    "{dir}MOV00001.MP4", "{dir}AVI00000.AVI"},
                                         SwitchCase{"typed_lower_case_extension", "/m/harbour.avi",
                                                    "/m/harbour.mp4", "/m/harbour.avi"},
                                         SwitchCase{"typed_upper_case_extension", "/m/Harbour.AVI",
                                                    "/m/Harbour.MP4", "/m/Harbour.AVI"},
                                         SwitchCase{"other_extension_kept", "/m/harbour.mov",
                                                    "/m/harbour.mov", "/m/harbour.mov"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviBuildFormTest, MenuOpensTheWindowOnlyWhenTheFirstFrameExists) {
    WriteFrames({3, 10});
    Main().BuildAVImovie1Click();
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(Dialogs().Texts("Error"),
              std::vector<QString>{"No frame files have been found.\rFrames must be created "
                                   "before AVI movies can be compiled."});
    WriteFrames({0});
    Main().BuildAVImovie1Click();
    EXPECT_TRUE(Form().isVisible());
}

} // namespace
