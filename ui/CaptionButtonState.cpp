#include "ui/CaptionButtonState.h"

namespace norvanta::ui {

bool CaptionButtonState::setImages(ButtonImage minimize, ButtonImage close)
{
    const bool changed = minimize != m_minimize || close != m_close;
    m_minimize = minimize;
    m_close = close;
    return changed;
}

CaptionButtonState::Reaction CaptionButtonState::pointerMoved(CaptionButton under)
{
    Reaction reaction;
    if (!m_trackingLeave) {
        m_trackingLeave = true;
        reaction.trackLeave = true;
    }
    // Over a button it lights up, or shows pressed when it is the one held; while the
    // other button is held neither reacts.
    const auto lit = [this](CaptionButton button) {
        if (m_pressed == CaptionButton::None) {
            return ButtonImage::Over;
        }
        return m_pressed == button ? ButtonImage::Down : ButtonImage::Normal;
    };
    ButtonImage minimize = ButtonImage::Normal;
    ButtonImage close = ButtonImage::Normal;
    if (under == CaptionButton::Close) {
        close = lit(CaptionButton::Close);
    } else if (under == CaptionButton::Minimize) {
        minimize = lit(CaptionButton::Minimize);
    }
    reaction.repaint = setImages(minimize, close);
    return reaction;
}

CaptionButtonState::Reaction CaptionButtonState::buttonPressed(CaptionButton under, bool maximized)
{
    Reaction reaction;
    m_pressed = under;
    if (under == CaptionButton::Close) {
        reaction.repaint = setImages(m_minimize, ButtonImage::Down);
        reaction.consumed = true;
    } else if (under == CaptionButton::Minimize) {
        reaction.repaint = setImages(ButtonImage::Down, m_close);
        reaction.consumed = true;
    } else {
        reaction.consumed = maximized;
    }
    return reaction;
}

CaptionButtonState::Reaction CaptionButtonState::buttonReleased(CaptionButton under)
{
    Reaction reaction;
    if (under != CaptionButton::None && under == m_pressed) {
        reaction.command = under == CaptionButton::Close ? Command::AskExit : Command::ToggleMinimized;
    }
    m_pressed = CaptionButton::None;
    reaction.repaint = setImages(ButtonImage::Normal, ButtonImage::Normal);
    return reaction;
}

CaptionButtonState::Reaction CaptionButtonState::pointerLeft()
{
    Reaction reaction;
    m_trackingLeave = false;
    if (m_pressed == CaptionButton::None) {
        reaction.repaint = setImages(ButtonImage::Normal, ButtonImage::Normal);
    }
    return reaction;
}

} // namespace norvanta::ui
