#include "ui/QEL_ButtonEx.h"

#include "ui/QEL_Strip.h"

#include <QPainter>

namespace QEL::QEL_Control {

QEL_ButtonEx::QEL_ButtonEx(QWidget* parent) : QEL_ButtonEx(QString(), parent) {}

QEL_ButtonEx::QEL_ButtonEx(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    // An image button never acts as the dialog's default button; Enter has its own
    // meaning in the dialogs that use it.
    setAutoDefault(false);
    // A button born disabled (inside a disabled parent) stays out of sight.
    if (!isEnabled()) {
        hide();
    }
}

QEL_ButtonEx::~QEL_ButtonEx() = default;

int QEL_ButtonEx::SetBitmap(const QImage& image)
{
    m_image.reset();
    m_frameSize = QSize();
    const int frames = stripFrameCount(m_stripKind);
    auto strip = std::make_unique<QEL::QEL_Draw::QEL_MemBm>();
    if (frames == 0 || strip->AttachBitmap(image) == 0) {
        update();
        return 0;
    }
    m_frameSize = stripFrameSize(strip->Size(), frames, m_horizontal);
    m_image = std::move(strip);
    // Sizing once here rather than while painting: a widget must not resize itself from
    // inside its own paint.
    resize(m_frameSize);
    updateGeometry();
    update();
    return 1;
}

void QEL_ButtonEx::setDrawMode(int mode)
{
    m_drawMode = mode;
    update();
}

void QEL_ButtonEx::setTransparentColor(QColor colour)
{
    m_transparent = colour;
    update();
}

void QEL_ButtonEx::setLatched(bool latched)
{
    m_latched = latched;
    update();
}

QSize QEL_ButtonEx::sizeHint() const
{
    return m_image ? m_frameSize : QPushButton::sizeHint();
}

void QEL_ButtonEx::paintEvent(QPaintEvent*)
{
    // The background is never erased: where nothing is copied the parent stays visible.
    if (!m_image) {
        return;
    }
    const int frame = buttonFrame(m_stripKind, isDown(), !isEnabled(), m_latched);
    const QPoint origin =
        m_horizontal ? QPoint(frame * m_frameSize.width(), 0) : QPoint(0, frame * m_frameSize.height());
    const QRect source(origin, m_frameSize);
    // The kind may have changed since the strip was cut into frames; a frame that would
    // lie outside the strip is not drawn.
    if (frame < 0 || source.isEmpty() || !QRect(QPoint(0, 0), m_image->Size()).contains(source)) {
        return;
    }
    m_currentFrame = frame;
    QPainter painter(this);
    if (m_drawMode == 1) {
        painter.drawImage(QPoint(0, 0), m_image->Keyed(m_transparent), source);
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), m_image->Strip(), source);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (m_pointerOver && isEnabled()) {
        painter.setPen(QPen(hoverFrameColour(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (hasFocus()) {
        // Black and white dots, so the mark shows on light and dark pictures alike.
        const QRect mark = focusMarkRect(rect());
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(mark);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(mark);
    }
}

void QEL_ButtonEx::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    m_pointerOver = true;
    update();
}

void QEL_ButtonEx::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    m_pointerOver = false;
    update();
}

} // namespace QEL::QEL_Control
