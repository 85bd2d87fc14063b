// Where a frame goes by each rule, and how it is kept inside the work area.
#include "widgets/windowplacement.h"

#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumisk;

namespace {

struct TCornerCase {
    const char* name;
    TPlacement rule;
    QRect screen, work;
    QSize frame;
    QPoint corner;
};

const QRect kScreen(0, 0, 1024, 768), kSecond(1920, 0, 1001, 768);

} // namespace

class FrameCorner : public testing::TestWithParam<TCornerCase> {};

TEST_P(FrameCorner, FollowsTheRuleInsideTheWorkArea) {
    const TCornerCase& c = GetParam();
    EXPECT_EQ(TWindowPlacement::FrameTopLeft(c.rule, c.frame, c.screen, c.work), c.corner);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, FrameCorner, testing::Values(
    TCornerCase{"centred_on_a_second_screen", TPlacement::Centred, kSecond,
                {1920, 0, 1001, 728}, {100, 67}, {1920 + 450, 350}},
    TCornerCase{"larger_than_the_work_area_keeps_its_title_bar", TPlacement::Centred, kSecond,
                {1920, 0, 1001, 728}, {1200, 900}, {1920, 0}},
    TCornerCase{"centred_pushed_up_from_the_task_bar", TPlacement::Centred, kScreen,
                {0, 0, 1024, 600}, {200, 500}, {412, 100}},
    TCornerCase{"top_left_beside_a_left_dock", TPlacement::TopLeft, kScreen,
                {48, 0, 976, 768}, {300, 200}, {48, 0}},
    TCornerCase{"above_the_task_bar_wider_than_the_work_area", TPlacement::AboveTaskBar, kScreen,
                {0, 0, 1024, 728}, {1100, 100}, {0, 628}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A window placed before its first showing has no frame yet: once shown,
// its frame is where the rule puts it whatever frame it got.
TEST(WindowPlacement, AWindowPlacedBeforeItsFirstShowingEndsAtItsRule) {
    for (TPlacement rule : {TPlacement::TopRight, TPlacement::AboveTaskBar}) {
        QWidget window;
        window.setFixedSize(174, 92);
        TWindowPlacement::Place(&window, rule);
        window.show();
        const QScreen* s = window.screen();
        EXPECT_EQ(window.frameGeometry().topLeft(),
                  TWindowPlacement::FrameTopLeft(rule, window.frameGeometry().size(), s->geometry(),
                                                 s->availableGeometry()));
    }
}
