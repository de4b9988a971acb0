#include "ui/CXPGroupBox.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr qreal kCornerRadius = 5; // corners of a 10 x 10 ellipse
constexpr int kFrameCaptionInset = 10;
constexpr int kWindowCaptionInset = 2;
constexpr int kBandBelowCaption = 4;

QString padded(const QString& text)
{
    return QLatin1Char(' ') + text + QLatin1Char(' ');
}

// A rectangle by its corners with the right and bottom edges outside it, drawn as a
// one-pixel outline on the pixels it covers.
QRectF outline(int left, int top, int right, int bottom)
{
    return QRectF(left, top, right - 1 - left, bottom - 1 - top);
}

} // namespace

CXPGroupBox::CXPGroupBox(QWidget* parent) : CXPGroupBox(QString(), parent) {}

CXPGroupBox::CXPGroupBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), m_frame(palette().color(QPalette::Dark)), m_band(palette().color(QPalette::Button)),
      m_body(palette().color(QPalette::Button)), m_captionColour(palette().color(QPalette::WindowText)), m_font(font())
{
}

CXPGroupBox& CXPGroupBox::SetFrameColor(const QColor& colour)
{
    m_frame = colour;
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionColor(const QColor& colour)
{
    m_captionColour = colour;
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetFillColors(const QColor& a, const QColor& b)
{
    m_band = a;
    m_body = b;
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetFillColor(const QColor& colour)
{
    return SetFillColors(colour, colour);
}

CXPGroupBox& CXPGroupBox::SetLook(int look)
{
    m_look = look;
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaption(const QString& text)
{
    m_caption = padded(text);
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionBold(int flag)
{
    m_font.setWeight(flag != 0 ? QFont::Bold : QFont::Normal);
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionFace(const QString& face)
{
    m_font.setFamilies({face});
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionUnderline(int flag)
{
    m_font.setUnderline(flag != 0);
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionItalic(int flag)
{
    m_font.setItalic(flag != 0);
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionPointSize(int points)
{
    if (points > 0) {
        m_font.setPointSize(points);
    }
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionFont(const QFont& font)
{
    m_font = font;
    refresh();
    return *this;
}

CXPGroupBox& CXPGroupBox::SetCaptionAlignment(int alignment)
{
    m_alignment = (alignment == Centre || alignment == Right) ? alignment : Left;
    refresh();
    return *this;
}

void CXPGroupBox::refresh()
{
    repaint();
    if (QWidget* parent = parentWidget(); parent != nullptr && isVisible()) {
        parent->repaint(geometry());
    }
}

QRect CXPGroupBox::captionRect(const QRect& inner, QSize text, int inset, int top) const
{
    // inner is exclusive on the right, like every rectangle the caption is laid out in.
    const int right = inner.left() + inner.width();
    int left = inner.left() + inset;
    if (m_alignment == Centre) {
        left = inner.left() + (inner.width() - text.width()) / 2;
    } else if (m_alignment == Right) {
        left = right - inset - text.width();
    }
    return QRect(left, top, text.width(), text.height());
}

void CXPGroupBox::paintEvent(QPaintEvent*)
{
    // The title given at construction (or by setTitle) is the caption until one is set.
    if (m_caption.isEmpty() && !title().isEmpty()) {
        m_caption = padded(title());
    }
    QPainter painter(this);
    painter.setFont(m_font);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int right = inner.left() + inner.width();
    const int bottom = inner.top() + inner.height();
    const QFontMetrics metrics(m_font);
    const QSize text =
        m_caption.isEmpty() ? QSize(0, 0) : QSize(metrics.horizontalAdvance(m_caption), metrics.height());
    painter.setPen(QPen(m_frame, 1));

    QRect caption;
    if (m_look == 0) {
        caption = captionRect(inner, text, kFrameCaptionInset, inner.top());
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(outline(inner.left(), inner.top() + text.height() / 2, right, bottom), kCornerRadius,
                                kCornerRadius);
        // The band colour behind the caption is what breaks the outline there.
        painter.fillRect(caption, m_band);
    } else {
        painter.setBrush(m_band);
        painter.drawRoundedRect(outline(inner.left(), inner.top(), right, bottom), kCornerRadius, kCornerRadius);
        painter.setBrush(m_body);
        painter.drawRect(outline(inner.left(), inner.top() + text.height() + kBandBelowCaption, right, bottom));
        caption = captionRect(inner, text, kWindowCaptionInset, inner.top() + kWindowCaptionInset);
    }
    if (!m_caption.isEmpty()) {
        painter.setPen(m_captionColour);
        painter.drawText(caption, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine | Qt::TextDontClip, m_caption);
    }
}
