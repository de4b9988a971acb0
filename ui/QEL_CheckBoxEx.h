#pragma once

#include "ui/QEL_MemBm.h"

#include <QAbstractButton>
#include <QColor>
#include <QPointer>
#include <QRegion>

#include <memory>

namespace QEL::QEL_Control {

// A check box drawn from a strip of four frames (unchecked, pointer over it, checked,
// disabled) with its label beside the box. A click toggles it and posts
// WM_CHECKTOGGLED (norvanta::ui::CheckToggledEvent) with the new state to the parent;
// setChecked by the owner changes the state quietly. The keyboard focus is marked by a
// dotted rectangle around the label.
class QEL_CheckBoxEx : public QAbstractButton {
    Q_OBJECT

public:
    explicit QEL_CheckBoxEx(QWidget* parent = nullptr);
    ~QEL_CheckBoxEx() override;

    // Takes the strip, replacing any earlier one: 1 on success; 0 for a null image, and
    // the box then has no image and draws nothing.
    int SetBitmap(const QImage& image);

    // Places the box at the creation rectangle (parent client coordinates, right and
    // bottom exclusive) with caption as its text. false, leaving the box hidden and
    // untouched, when it holds no image or the rectangle is empty.
    bool Create(const QString& caption, int left, int top, int right, int bottom);

    // Number of frames in the strip minus one (1 by default; 3 for the usual strip).
    void setLastFrameIndex(int index);
    // Frames side by side when true (the default), stacked when false.
    void setHorizontal(bool horizontal);
    // Colour of the label; RGB(91,111,126) by default.
    void setTextColor(QColor colour);
    // Where the toggle event goes when that is not the parent widget, for a box placed
    // inside a container that belongs to its dialog; null goes back to the parent.
    void setNotifyTarget(QObject* target) { m_notifyTarget = target; }

    bool hasImage() const { return m_image != nullptr; }
    bool hover() const { return m_hover; }
    QRect creationRect() const { return m_creationRect; }
    // The frame drawn last; 0 before the first draw.
    int currentFrame() const { return m_currentFrame; }
    // Where the label starts: one frame width plus three pixels.
    int labelX() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onClicked(bool checked);
    void setHover(bool hover);
    QSize boxFrameSize() const;
    // The pixels the label's glyphs ink when drawn at baseline within label, each widened
    // by one pixel all round: where the focus mark must not go.
    QRegion labelInkSurroundings(const QFont& font, QPoint baseline, const QRect& label) const;

    QPointer<QObject> m_notifyTarget;
    bool m_hover = false;
    QRect m_creationRect;
    std::unique_ptr<QEL::QEL_Draw::QEL_MemBm> m_image;
    bool m_horizontal = true;
    int m_currentFrame = 0;
    int m_lastFrameIndex = 1;
    QColor m_textColor = QColor(91, 111, 126);
};

} // namespace QEL::QEL_Control
