#include "ui/QEL_Strip.h"

#include <algorithm>
#include <array>

namespace QEL::QEL_Control {
namespace {

constexpr std::array<int, 4> kFramesOfKind = {2, 3, 3, 4};

} // namespace

int stripFrameCount(int stripKind)
{
    if (stripKind < 0 || stripKind >= static_cast<int>(kFramesOfKind.size())) {
        return 0;
    }
    return kFramesOfKind[static_cast<std::size_t>(stripKind)];
}

int buttonFrame(int stripKind, bool pressed, bool disabled, bool latched)
{
    const int frames = stripFrameCount(stripKind);
    if (frames == 0) {
        return -1;
    }
    if (disabled) {
        return frames - 1;
    }
    // Kinds 2 and 3 are toggle-like strips: their look follows the owner's latch, not
    // the press.
    if (stripKind >= 2) {
        return latched ? 2 : 0;
    }
    return pressed ? 1 : 0;
}

int checkBoxFrame(bool checked, bool hover, bool disabled, int lastFrameIndex)
{
    int frame = checked ? 2 : (hover ? 1 : 0);
    if (disabled) {
        // A strip without a disabled frame keeps its state but loses the hover look,
        // since a disabled box reacts to nothing.
        frame = lastFrameIndex == 3 ? 3 : (checked ? 2 : 0);
    }
    // A frame past the end of the strip would copy from outside the image.
    return std::clamp(frame, 0, std::max(lastFrameIndex, 0));
}

QSize stripFrameSize(QSize strip, int frameCount, bool horizontal)
{
    if (frameCount < 1 || strip.isEmpty()) {
        return {};
    }
    return horizontal ? QSize(strip.width() / frameCount, strip.height())
                      : QSize(strip.width(), strip.height() / frameCount);
}

QRect stripFrameRect(QSize strip, int frameCount, int frame, bool horizontal)
{
    if (frame < 0 || frame >= frameCount) {
        return {};
    }
    const QSize size = stripFrameSize(strip, frameCount, horizontal);
    if (size.isEmpty()) {
        return {};
    }
    const QPoint origin = horizontal ? QPoint(frame * size.width(), 0) : QPoint(0, frame * size.height());
    return QRect(origin, size);
}

HoverChange hoverAfterMove(bool hover, bool leftButtonDown, bool pointerOverBox)
{
    if (leftButtonDown && !hover) {
        return {hover, false};
    }
    return {pointerOverBox, pointerOverBox != hover};
}

QRect focusMarkRect(const QRect& area)
{
    return area.adjusted(kFocusMarkInset, kFocusMarkInset, -kFocusMarkInset - 1, -kFocusMarkInset - 1);
}

} // namespace QEL::QEL_Control
