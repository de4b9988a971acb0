#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

namespace norvanta::ui {

// Sizes of the skin images the frame is measured from; an image that is not loaded has
// an empty (0 x 0 or invalid) size and counts as 0.
struct SkinMeasures {
    QSize captionLeft;
    QSize captionCenter;
    QSize captionRight;
    QSize frameLeft;
    QSize frameRight;
    QSize frameBottom;
    QSize frameLeftBottom;
    QSize frameRightBottom;
    QSize closeButton;
};

// The two caption buttons, numbered as the frame has always numbered them.
enum class CaptionButton { None = 0, Minimize = 1, Close = 3 };

// What a point of the window is: client area, caption (drags the window), or border.
enum class HitArea { Client, Caption, Border };

// Where everything of the skinned frame lies for a window of a given size, in window
// coordinates. frameThickness is the platform frame the skin stands in for (fx = fy);
// a window without a platform frame, as ours, uses 0.
class SkinFrameGeometry {
public:
    static constexpr QSize kMinimumSize{240, 100};
    static constexpr int kCornerDiameter = 14;

    explicit SkinFrameGeometry(const SkinMeasures& measures = {}, int frameThickness = 0);

    const SkinMeasures& measures() const { return m_measures; }
    int frameThickness() const { return m_frame; }

    // Client insets: caption height, border widths, bottom height; an edge whose image
    // is missing falls back to the frame thickness.
    QMargins clientInsets() const;
    // The client rectangle of a window of that size (empty when the insets overlap).
    QRect clientRect(QSize window) const;
    // The window size whose client area has the given size.
    QSize windowSizeFor(QSize client) const;
    // Distance from the window's right edge to the close button: caption_right's width,
    // twice the frame thickness while that image is missing.
    int buttonRightMargin() const;
    // The button's rectangle (both use the close image's size); empty for None.
    QRect buttonRect(CaptionButton button, QSize window, bool maximized) const;
    // The caption button under point, None elsewhere. Close wins on a shared edge.
    CaptionButton buttonAt(QPoint point, QSize window, bool maximized) const;
    // While a caption button is held the whole window answers Caption, so its release
    // is seen wherever it happens. Otherwise the client rectangle widened by the frame
    // thickness answers Client, the caption bar Caption and the rest Border.
    HitArea hitTest(QPoint point, QSize window, bool buttonHeld) const;
    // The window's shape: the whole window with its two top corners rounded by a
    // 14-pixel ellipse; a maximized window is first cut by the frame thickness.
    QRegion windowShape(QSize window, bool maximized) const;

private:
    SkinMeasures m_measures;
    int m_frame = 0;
};

} // namespace norvanta::ui
