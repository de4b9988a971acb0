#pragma once

#include <QRect>
#include <QSize>

// Which frame of an image strip a bitmap control shows, and where that frame lies in
// the strip. Kept apart from the widgets so the rules can be checked without a window.
namespace QEL::QEL_Control {

// Frames in a button strip of the given kind: kind 0 -> 2, 1 -> 3, 2 -> 3, 3 -> 4;
// 0 for any other kind (such a strip has no frame table and cannot be used).
int stripFrameCount(int stripKind);

// The button frame for a state: kinds 0 and 1 show 1 while pressed and 0 otherwise;
// kinds 2 and 3 show 2 when latched and 0 otherwise, pressed or not; disabled shows the
// last frame of the kind whatever else holds. -1 for a kind without frame table.
int buttonFrame(int stripKind, bool pressed, bool disabled, bool latched);

// The check-box frame for a state: 2 when checked, else 1 under the pointer, else 0;
// disabled shows frame 3 when lastFrameIndex is 3, and without a disabled frame the
// state's own frame without the hover look. Never above lastFrameIndex, never below 0.
int checkBoxFrame(bool checked, bool hover, bool disabled, int lastFrameIndex);

// Size of one of frameCount equal frames of a strip, side by side when horizontal,
// stacked otherwise; the division truncates, so leftover columns or rows are never
// shown. Empty for frameCount < 1.
QSize stripFrameSize(QSize strip, int frameCount, bool horizontal);

// Where frame `frame` (0-based) lies in the strip, at stripFrameSize. Empty for
// frameCount < 1 or a frame outside 0 .. frameCount - 1.
QRect stripFrameRect(QSize strip, int frameCount, int frame, bool horizontal);

// The check box's hover look after a pointer move: with the left button held a box
// that is not lit stays dark (something is being dragged in from elsewhere); otherwise
// it is lit exactly while the pointer is over it.
struct HoverChange {
    bool hover;
    bool changed;
};
HoverChange hoverAfterMove(bool hover, bool leftButtonDown, bool pointerOverBox);

// Where a bitmap control marks the keyboard focus: a dotted rectangle this far inside the
// area it surrounds, drawn over the picture so that every keyboard stop shows it.
inline constexpr int kFocusMarkInset = 3;
QRect focusMarkRect(const QRect& area);

} // namespace QEL::QEL_Control
