#pragma once

#include "ui/QEL_MemBm.h"

#include <QColor>
#include <QPushButton>

#include <memory>

namespace QEL::QEL_Control {

// A push button drawn from an image strip: normal, pressed and disabled frames (or, for
// toggle-like kinds, normal and latched). It takes the size of one frame; with the
// transparent draw mode, pixels of the key colour are left undrawn so the parent shows
// through. Its text is kept for accessibility but never drawn. Over the picture it marks
// the keyboard focus with a dotted rectangle and the pointer with a hover frame.
class QEL_ButtonEx : public QPushButton {
    Q_OBJECT

public:
    explicit QEL_ButtonEx(QWidget* parent = nullptr);
    explicit QEL_ButtonEx(const QString& text, QWidget* parent = nullptr);
    ~QEL_ButtonEx() override;

    // Takes the strip, replacing any earlier one, and resizes the button to one frame
    // (keeping its position): 1 on success; 0 for a null image or a strip kind outside
    // 0-3, and the button then has no image and draws nothing. Set the strip kind and
    // the horizontal flag first.
    int SetBitmap(const QImage& image);

    // 0 -> 2 frames, 1 -> 3, 2 -> 3, 3 -> 4 (see buttonFrame); read by SetBitmap.
    void setStripKind(int kind) { m_stripKind = kind; }
    // Frames side by side when true, stacked top to bottom when false; read by SetBitmap.
    void setHorizontal(bool horizontal) { m_horizontal = horizontal; }
    // 1: copy leaving out the transparent colour; anything else: opaque copy.
    void setDrawMode(int mode);
    void setTransparentColor(QColor colour);
    // Kinds 2 and 3: shows frame 2 while set.
    void setLatched(bool latched);

    bool hasImage() const { return m_image != nullptr; }
    QSize frameSize() const { return m_frameSize; }
    // The frame drawn last; 0 before the first draw.
    int currentFrame() const { return m_currentFrame; }

    QSize sizeHint() const override;

    // The colour of the hover frame.
    static QColor hoverFrameColour() { return QColor(16, 140, 231); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::unique_ptr<QEL::QEL_Draw::QEL_MemBm> m_image;
    QColor m_transparent = QColor(255, 0, 255);
    int m_drawMode = 0;
    bool m_latched = false;
    QSize m_frameSize;
    bool m_horizontal = false;
    int m_currentFrame = 0;
    int m_stripKind = 0;
    bool m_pointerOver = false;
};

} // namespace QEL::QEL_Control
