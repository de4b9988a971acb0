#pragma once

#include "ui/SkinFrameGeometry.h"

namespace norvanta::ui {

// Which image a caption button shows.
enum class ButtonImage { Normal, Over, Down };

// The caption buttons' state machine: which button is held, which image each shows,
// and whether the window has asked to hear when the pointer leaves its frame. It is
// told where the pointer is (which button, if any) and answers what the window must do.
class CaptionButtonState {
public:
    enum class Command { None, AskExit, ToggleMinimized };

    struct Reaction {
        bool consumed = false;   // nothing else may see the event (else it goes on, e.g. to dragging)
        bool repaint = false;    // an image changed
        bool trackLeave = false; // start listening for the pointer leaving the frame
        Command command = Command::None;
    };

    // Pointer moved over the frame (or anywhere while a button is held).
    Reaction pointerMoved(CaptionButton under);
    // Left button pressed on the frame; pressing outside the buttons of a maximized
    // window is consumed, since such a window cannot be dragged.
    Reaction buttonPressed(CaptionButton under, bool maximized);
    // Left button released: a release on the button that was pressed asks for its
    // command; every release lets go of the button and shows both images normal.
    Reaction buttonReleased(CaptionButton under);
    // The pointer left the frame: images back to normal unless a button is held.
    Reaction pointerLeft();

    CaptionButton pressed() const { return m_pressed; }
    ButtonImage minimizeImage() const { return m_minimize; }
    ButtonImage closeImage() const { return m_close; }
    bool trackingLeave() const { return m_trackingLeave; }

private:
    bool setImages(ButtonImage minimize, ButtonImage close);

    CaptionButton m_pressed = CaptionButton::None;
    ButtonImage m_minimize = ButtonImage::Normal;
    ButtonImage m_close = ButtonImage::Normal;
    bool m_trackingLeave = false;
};

} // namespace norvanta::ui
