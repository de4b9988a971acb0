#include "ui/SkinFrameGeometry.h"

namespace norvanta::ui {
namespace {

int orFallback(int measure, int fallback)
{
    return measure > 0 ? measure : fallback;
}

// A rectangle given by its corners with the right and bottom edges excluded.
QRect spanning(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

} // namespace

SkinFrameGeometry::SkinFrameGeometry(const SkinMeasures& measures, int frameThickness)
    : m_measures(measures), m_frame(frameThickness)
{
}

QMargins SkinFrameGeometry::clientInsets() const
{
    return QMargins(
        orFallback(m_measures.frameLeft.width(), m_frame), orFallback(m_measures.captionCenter.height(), m_frame),
        orFallback(m_measures.frameRight.width(), m_frame), orFallback(m_measures.frameBottom.height(), m_frame));
}

QRect SkinFrameGeometry::clientRect(QSize window) const
{
    const QRect client = QRect(QPoint(0, 0), window).marginsRemoved(clientInsets());
    return client.isValid() ? client : QRect();
}

QSize SkinFrameGeometry::windowSizeFor(QSize client) const
{
    const QMargins insets = clientInsets();
    return client.grownBy(insets);
}

int SkinFrameGeometry::buttonRightMargin() const
{
    return orFallback(m_measures.captionRight.width(), 2 * m_frame);
}

QRect SkinFrameGeometry::buttonRect(CaptionButton button, QSize window, bool maximized) const
{
    const int width = m_measures.closeButton.width();
    const int height = m_measures.closeButton.height();
    if (button == CaptionButton::None || width <= 0 || height <= 0) {
        return QRect();
    }
    const int right = window.width() - buttonRightMargin() - (button == CaptionButton::Minimize ? width : 0);
    // A little below the window's top edge, which the buttons would otherwise touch.
    constexpr int kGapAbove = 3;
    const int top = m_frame + kGapAbove;
    const int bottom = (maximized ? m_frame + height : height) + kGapAbove;
    return spanning(right - width, top, right, bottom);
}

CaptionButton SkinFrameGeometry::buttonAt(QPoint point, QSize window, bool maximized) const
{
    for (CaptionButton button : {CaptionButton::Close, CaptionButton::Minimize}) {
        if (buttonRect(button, window, maximized).contains(point)) {
            return button;
        }
    }
    return CaptionButton::None;
}

HitArea SkinFrameGeometry::hitTest(QPoint point, QSize window, bool buttonHeld) const
{
    if (buttonHeld) {
        return HitArea::Caption;
    }
    const QMargins insets = clientInsets();
    const QRect client =
        spanning(insets.left() - m_frame, insets.top() - m_frame, window.width() - insets.right() + m_frame,
                 window.height() - insets.bottom() + m_frame);
    if (client.contains(point)) {
        return HitArea::Client;
    }
    const bool inWindow = QRect(QPoint(0, 0), window).contains(point);
    return inWindow && point.y() < insets.top() ? HitArea::Caption : HitArea::Border;
}

QRegion SkinFrameGeometry::windowShape(QSize window, bool maximized) const
{
    const int cut = maximized ? m_frame : 0;
    const int x1 = cut;
    const int y1 = cut;
    const int x2 = window.width() + 1 - cut;
    const int y2 = window.height() + 1 - cut;
    constexpr int radius = kCornerDiameter / 2;
    QRegion shape(spanning(x1, y1, x2, y2));
    const QRegion leftSquare(spanning(x1, y1, radius, radius));
    const QRegion leftRound(spanning(x1, y1, kCornerDiameter, kCornerDiameter), QRegion::Ellipse);
    const QRegion rightSquare(spanning(x2 - radius, y1, x2, radius));
    const QRegion rightRound(spanning(x2 - kCornerDiameter, y1, x2, kCornerDiameter), QRegion::Ellipse);
    shape -= leftSquare - leftRound;
    shape -= rightSquare - rightRound;
    return shape;
}

} // namespace norvanta::ui
