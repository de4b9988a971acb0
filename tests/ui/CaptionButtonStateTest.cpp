#include "ui/CaptionButtonState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using norvanta::ui::ButtonImage;
using norvanta::ui::CaptionButton;
using State = norvanta::ui::CaptionButtonState;
using Command = State::Command;

constexpr auto None = CaptionButton::None;
constexpr auto Min = CaptionButton::Minimize;
constexpr auto Close = CaptionButton::Close;
constexpr auto N = ButtonImage::Normal;
constexpr auto O = ButtonImage::Over;
constexpr auto D = ButtonImage::Down;

enum class Event { Move, Press, PressMaximized, Release, Leave };

// One event and what must hold after it.
struct Step {
    Event event;
    CaptionButton where;
    ButtonImage minimize;
    ButtonImage close;
    CaptionButton pressed;
    bool consumed;
    Command command;
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

State::Reaction run(State& state, const Step& step)
{
    switch (step.event) {
    case Event::Move:
        return state.pointerMoved(step.where);
    case Event::Press:
        return state.buttonPressed(step.where, false);
    case Event::PressMaximized:
        return state.buttonPressed(step.where, true);
    case Event::Release:
        return state.buttonReleased(step.where);
    case Event::Leave:
        return state.pointerLeft();
    }
    return {};
}

class CaptionButtonTable : public testing::TestWithParam<Sequence> {};

TEST_P(CaptionButtonTable, FollowsTheSequence)
{
    State state;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        const ButtonImage minimizeBefore = state.minimizeImage();
        const ButtonImage closeBefore = state.closeImage();
        const State::Reaction reaction = run(state, step);
        SCOPED_TRACE(testing::Message() << "step " << index++);
        EXPECT_EQ(state.minimizeImage(), step.minimize);
        EXPECT_EQ(state.closeImage(), step.close);
        EXPECT_EQ(state.pressed(), step.pressed);
        EXPECT_EQ(reaction.consumed, step.consumed);
        EXPECT_EQ(reaction.command, step.command);
        // Exactly the steps that change an image ask for a repaint.
        EXPECT_EQ(reaction.repaint, minimizeBefore != step.minimize || closeBefore != step.close);
    }
}

const auto K = Command::None;

INSTANTIATE_TEST_SUITE_P(
    Table, CaptionButtonTable,
    testing::Values(Sequence{"HoverLightsOneButtonAtATime",
                             {{Event::Move, Close, N, O, None, false, K},
                              {Event::Move, Min, O, N, None, false, K},
                              {Event::Move, None, N, N, None, false, K}}},
                    Sequence{"PressAndReleaseOnCloseAsksToExit",
                             {{Event::Move, Close, N, O, None, false, K},
                              {Event::Press, Close, N, D, Close, true, K},
                              {Event::Release, Close, N, N, None, false, Command::AskExit}}},
                    Sequence{"PressAndReleaseOnMinimizeMinimizes",
                             {{Event::Press, Min, D, N, Min, true, K},
                              {Event::Release, Min, N, N, None, false, Command::ToggleMinimized}}},
                    Sequence{"PressedCloseShowsDownOnlyWhileOverIt",
                             {{Event::Press, Close, N, D, Close, true, K},
                              {Event::Move, None, N, N, Close, false, K},
                              {Event::Move, Min, N, N, Close, false, K},
                              {Event::Move, Close, N, D, Close, false, K}}},
                    Sequence{"PressedMinimizeShowsDownOnlyWhileOverIt",
                             {{Event::Press, Min, D, N, Min, true, K},
                              {Event::Move, Close, N, N, Min, false, K},
                              {Event::Move, Min, D, N, Min, false, K}}},
                    Sequence{"CloseReleasedOnMinimizeOnlyResets",
                             {{Event::Press, Close, N, D, Close, true, K},
                              {Event::Move, Min, N, N, Close, false, K},
                              {Event::Release, Min, N, N, None, false, K}}},
                    Sequence{"MinimizeReleasedOnCloseOnlyResets",
                             {{Event::Press, Min, D, N, Min, true, K}, {Event::Release, Close, N, N, None, false, K}}},
                    Sequence{
                        "ReleaseElsewhereOnlyResets",
                        {{Event::Press, Close, N, D, Close, true, K}, {Event::Release, None, N, N, None, false, K}}},
                    Sequence{"LeaveRestoresImagesWhenNothingIsHeld",
                             {{Event::Move, Close, N, O, None, false, K}, {Event::Leave, None, N, N, None, false, K}}},
                    Sequence{"LeaveKeepsTheHeldButtonPressed",
                             {{Event::Press, Close, N, D, Close, true, K},
                              {Event::Leave, None, N, D, Close, false, K},
                              {Event::Release, Close, N, N, None, false, Command::AskExit}}},
                    // A press that was never released (it happened outside the window) is forgotten
                    // by the next press elsewhere, which then drags the window.
                    Sequence{"NextPressElsewhereForgetsALostPress",
                             {{Event::Press, Close, N, D, Close, true, K},
                              {Event::Leave, None, N, D, Close, false, K},
                              {Event::Press, None, N, D, None, false, K},
                              {Event::Release, None, N, N, None, false, K}}},
                    Sequence{"PressElsewhereOnAMaximizedWindowIsConsumed",
                             {{Event::PressMaximized, None, N, N, None, true, K},
                              {Event::PressMaximized, Close, N, D, Close, true, K}}}),
    [](const testing::TestParamInfo<Sequence>& info) { return info.param.name; });

TEST(CaptionButtonState, AsksForLeaveTrackingOnceUntilThePointerLeaves)
{
    State state;
    EXPECT_FALSE(state.trackingLeave());
    EXPECT_TRUE(state.pointerMoved(None).trackLeave);
    EXPECT_FALSE(state.pointerMoved(Close).trackLeave);
    EXPECT_TRUE(state.trackingLeave());
    state.pointerLeft();
    EXPECT_FALSE(state.trackingLeave());
    EXPECT_TRUE(state.pointerMoved(Min).trackLeave);
}

} // namespace
