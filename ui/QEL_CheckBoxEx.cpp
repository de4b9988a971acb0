#include "ui/QEL_CheckBoxEx.h"

#include "ui/CheckToggledEvent.h"
#include "ui/QEL_Strip.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace QEL::QEL_Control {

QEL_CheckBoxEx::QEL_CheckBoxEx(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    // Pointer moves without a button held drive the hover look.
    setMouseTracking(true);
    connect(this, &QAbstractButton::clicked, this, &QEL_CheckBoxEx::onClicked);
    // A box born disabled (inside a disabled parent) stays out of sight.
    if (!isEnabled()) {
        hide();
    }
}

QEL_CheckBoxEx::~QEL_CheckBoxEx() = default;

int QEL_CheckBoxEx::SetBitmap(const QImage& image)
{
    m_image.reset();
    auto strip = std::make_unique<QEL::QEL_Draw::QEL_MemBm>();
    if (strip->AttachBitmap(image) == 0) {
        update();
        return 0;
    }
    m_image = std::move(strip);
    update();
    return 1;
}

bool QEL_CheckBoxEx::Create(const QString& caption, int left, int top, int right, int bottom)
{
    const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    if (!m_image || rect.isEmpty()) {
        hide();
        return false;
    }
    m_creationRect = rect;
    setText(caption);
    setGeometry(rect);
    return true;
}

void QEL_CheckBoxEx::setLastFrameIndex(int index)
{
    m_lastFrameIndex = index;
    update();
}

void QEL_CheckBoxEx::setHorizontal(bool horizontal)
{
    m_horizontal = horizontal;
    update();
}

void QEL_CheckBoxEx::setTextColor(QColor colour)
{
    m_textColor = colour;
    update();
}

QSize QEL_CheckBoxEx::boxFrameSize() const
{
    return m_image ? stripFrameSize(m_image->Size(), m_lastFrameIndex + 1, m_horizontal) : QSize();
}

int QEL_CheckBoxEx::labelX() const
{
    return boxFrameSize().width() + 3;
}

void QEL_CheckBoxEx::onClicked(bool checked)
{
    QObject* target = m_notifyTarget ? m_notifyTarget.data() : parentWidget();
    if (target != nullptr) {
        // Posted, not sent: the receiver looks at both boxes when it handles the event,
        // after this click has finished.
        QCoreApplication::postEvent(target, new norvanta::ui::CheckToggledEvent(this, checked ? 1 : 0));
    }
    repaint();
}

void QEL_CheckBoxEx::setHover(bool hover)
{
    if (m_hover != hover) {
        m_hover = hover;
        update();
    }
}

void QEL_CheckBoxEx::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    const bool over = rect().contains(event->position().toPoint());
    const HoverChange change = hoverAfterMove(m_hover, (event->buttons() & Qt::LeftButton) != 0, over);
    if (change.changed) {
        setHover(change.hover);
    }
}

void QEL_CheckBoxEx::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setHover(false);
}

void QEL_CheckBoxEx::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    setHover(false);
}

void QEL_CheckBoxEx::paintEvent(QPaintEvent*)
{
    // Nothing is erased: outside the box and the label's glyphs the parent shows.
    if (!m_image) {
        return;
    }
    const int frames = m_lastFrameIndex + 1;
    const int frame = checkBoxFrame(isChecked(), m_hover, !isEnabled(), m_lastFrameIndex);
    const QRect source = stripFrameRect(m_image->Size(), frames, frame, m_horizontal);
    if (source.isEmpty()) {
        return;
    }
    m_currentFrame = frame;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image->Strip(), source);

    painter.setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    painter.setPen(m_textColor);
    const QRect label(labelX(), 0, qMax(0, width() - labelX()), height());
    // The glyphs' ink sits in the middle of the control's height, so that the focus mark
    // can go round it: the line's own box is as tall as the control, and a mark on its
    // edges ran through the Hangul strokes.
    const QFontMetrics metrics(painter.font());
    const QRect ink = metrics.tightBoundingRect(text());
    const QPoint baseline(labelX(), (height() - ink.height()) / 2 - ink.top());
    painter.save();
    painter.setClipRect(label);
    painter.drawText(baseline, text());
    painter.restore();
    if (hasFocus()) {
        // Around the label, as a check box marks its focus; the box itself stays as drawn.
        // A 13-pixel box has no row to spare above or below Hangul, and the font's ink
        // rectangle misses antialiased and hinted pixels: the mark's dots leave out every
        // pixel the label really inks and its neighbours, so no stroke ever meets the mark.
        const QRect mark =
            text().isEmpty() ? label : ink.translated(baseline).adjusted(-2, -1, 2, 1).intersected(rect());
        painter.setClipRegion(QRegion(rect()) - labelInkSurroundings(painter.font(), baseline, label));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(m_textColor, 1, Qt::DotLine));
        painter.drawRect(mark.adjusted(0, 0, -1, -1));
    }
}

QRegion QEL_CheckBoxEx::labelInkSurroundings(const QFont& font, QPoint baseline, const QRect& label) const
{
    // Drawn as paintEvent draws it, on an opaque image like the window's backing store,
    // so that the same antialiasing decides which pixels are touched.
    QImage picture(size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.setClipRect(label);
        painter.drawText(baseline, text());
    }
    QRegion inked;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (line[x] != QColor(Qt::white).rgb()) {
                // The pixel and its eight neighbours.
                inked += QRect(x - 1, y - 1, 3, 3);
            }
        }
    }
    return inked;
}

} // namespace QEL::QEL_Control
