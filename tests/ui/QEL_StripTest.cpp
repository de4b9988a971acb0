#include "ui/QEL_Strip.h"

#include <gtest/gtest.h>

namespace {

using namespace QEL::QEL_Control;

TEST(QEL_Strip, FrameCountsFollowTheKindTableAndRefuseOtherKinds)
{
    EXPECT_EQ(stripFrameCount(0), 2);
    EXPECT_EQ(stripFrameCount(1), 3);
    EXPECT_EQ(stripFrameCount(2), 3);
    EXPECT_EQ(stripFrameCount(3), 4);
    EXPECT_EQ(stripFrameCount(-1), 0);
    EXPECT_EQ(stripFrameCount(4), 0);
}

struct ButtonCase {
    const char* name;
    int kind;
    bool pressed;
    bool disabled;
    bool latched;
    int frame;
};

class ButtonFrameTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonFrameTest, ChoosesTheFrameOfTheState)
{
    const ButtonCase& c = GetParam();
    EXPECT_EQ(buttonFrame(c.kind, c.pressed, c.disabled, c.latched), c.frame);
}

INSTANTIATE_TEST_SUITE_P(ui, ButtonFrameTest,
                         ::testing::Values(ButtonCase{"kind1_normal", 1, false, false, false, 0},
                                           ButtonCase{"kind1_pressed", 1, true, false, false, 1},
                                           ButtonCase{"kind1_disabled", 1, false, true, false, 2},
                                           ButtonCase{"kind1_disabled_even_when_pressed", 1, true, true, false, 2},
                                           ButtonCase{"kind1_latch_is_ignored", 1, false, false, true, 0},
                                           ButtonCase{"kind0_pressed", 0, true, false, false, 1},
                                           ButtonCase{"kind0_disabled_is_its_last_frame", 0, false, true, false, 1},
                                           ButtonCase{"kind2_press_is_ignored", 2, true, false, false, 0},
                                           ButtonCase{"kind2_latched", 2, false, false, true, 2},
                                           ButtonCase{"kind3_latched_and_pressed", 3, true, false, true, 2},
                                           ButtonCase{"kind3_disabled", 3, false, true, true, 3},
                                           ButtonCase{"unknown_kind", 7, false, false, false, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CheckCase {
    const char* name;
    bool checked;
    bool hover;
    bool disabled;
    int lastFrame;
    int frame;
};

class CheckBoxFrameTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckBoxFrameTest, ChoosesTheFrameOfTheState)
{
    const CheckCase& c = GetParam();
    EXPECT_EQ(checkBoxFrame(c.checked, c.hover, c.disabled, c.lastFrame), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    ui, CheckBoxFrameTest,
    ::testing::Values(CheckCase{"unchecked", false, false, false, 3, 0}, CheckCase{"hovered", false, true, false, 3, 1},
                      CheckCase{"checked", true, false, false, 3, 2},
                      CheckCase{"checked_wins_over_hover", true, true, false, 3, 2},
                      CheckCase{"disabled", false, false, true, 3, 3},
                      CheckCase{"disabled_checked", true, true, true, 3, 3},
                      CheckCase{"disabled_without_a_disabled_frame_loses_hover", false, true, true, 2, 0},
                      CheckCase{"disabled_without_a_disabled_frame_stays_checked", true, false, true, 2, 2},
                      CheckCase{"two_frames_never_point_past_the_strip", true, false, false, 1, 1},
                      CheckCase{"nonsense_last_index", true, false, false, -4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QEL_Strip, FramesOfTheMainDialogsStrips)
{
    EXPECT_EQ(stripFrameSize(QSize(360, 37), 3, true), QSize(120, 37));
    EXPECT_EQ(stripFrameRect(QSize(360, 37), 3, 2, true), QRect(240, 0, 120, 37));
    EXPECT_EQ(stripFrameRect(QSize(52, 13), 4, 3, true), QRect(39, 0, 13, 13));
}

TEST(QEL_Strip, StackedStripsCutRowsAndTruncate)
{
    EXPECT_EQ(stripFrameSize(QSize(13, 53), 4, false), QSize(13, 13));
    EXPECT_EQ(stripFrameRect(QSize(13, 53), 4, 2, false), QRect(0, 26, 13, 13));
    // A width that is no multiple of the frame count: the leftover columns never show.
    EXPECT_EQ(stripFrameSize(QSize(362, 37), 3, true), QSize(120, 37));
    EXPECT_EQ(stripFrameRect(QSize(362, 37), 3, 2, true).right(), 359);
}

TEST(QEL_Strip, FramesOutsideTheStripAreEmpty)
{
    EXPECT_TRUE(stripFrameRect(QSize(52, 13), 4, 4, true).isEmpty());
    EXPECT_TRUE(stripFrameRect(QSize(52, 13), 4, -1, true).isEmpty());
    EXPECT_TRUE(stripFrameRect(QSize(52, 13), 0, 0, true).isEmpty());
    EXPECT_TRUE(stripFrameSize(QSize(2, 13), 4, true).isEmpty());
    EXPECT_TRUE(stripFrameSize(QSize(), 4, true).isEmpty());
}

struct HoverCase {
    const char* name;
    bool hover;
    bool leftDown;
    bool over;
    bool hoverAfter;
    bool changed;
};

class HoverTest : public ::testing::TestWithParam<HoverCase> {};

TEST_P(HoverTest, FollowsThePointerUnlessSomethingIsDraggedIn)
{
    const HoverCase& c = GetParam();
    const HoverChange change = hoverAfterMove(c.hover, c.leftDown, c.over);
    EXPECT_EQ(change.hover, c.hoverAfter);
    EXPECT_EQ(change.changed, c.changed);
}

INSTANTIATE_TEST_SUITE_P(ui, HoverTest,
                         ::testing::Values(HoverCase{"enter", false, false, true, true, true},
                                           HoverCase{"stay", true, false, true, true, false},
                                           HoverCase{"move_away", true, false, false, false, true},
                                           HoverCase{"dragged_in", false, true, true, false, false},
                                           HoverCase{"held_down_on_itself", true, true, true, true, false},
                                           HoverCase{"held_down_and_dragged_off", true, true, false, false, true},
                                           HoverCase{"elsewhere", false, false, false, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
