#include "ui/CFontStatic.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

#include <utility>

namespace {

// Faces a Korean Windows desktop has and this one may not, and what stands in for them.
const QStringList kKoreanFallbacks = {QStringLiteral("NanumGothic"), QStringLiteral("NanumBarunGothic"),
                                      QStringLiteral("Noto Sans CJK KR"), QStringLiteral("UnDotum")};

QStringList familiesFor(const QString& face)
{
    QStringList families;
    if (QFontDatabase::hasFamily(face)) {
        families << face;
    }
    // Even a face the system has may lack Hangul, so the Korean faces always follow.
    for (const QString& fallback : kKoreanFallbacks) {
        if (!families.contains(fallback) && QFontDatabase::hasFamily(fallback)) {
            families << fallback;
        }
    }
    if (families.isEmpty()) {
        families << face;
    }
    return families;
}

} // namespace

void CFontStatic::Style::applyTextStyle(const QString& faceName, int fontHeight, QColor colour, unsigned char flags)
{
    face = faceName;
    height = fontHeight;
    textColor = colour;
    bold = bold || (flags & kBold) != 0;
    italic = italic || (flags & kItalic) != 0;
    underline = underline || (flags & kUnderline) != 0;
    strikeOut = strikeOut || (flags & kStrikeOut) != 0;
    smooth = smooth || (flags & kSmooth) != 0;
    centre = (flags & kCentre) != 0;
    right = !centre && (flags & kRight) != 0;
    left = !centre && !right;
}

Qt::Alignment CFontStatic::Style::alignment() const
{
    if (centre) {
        return Qt::AlignHCenter;
    }
    return right ? Qt::AlignRight : Qt::AlignLeft;
}

CFontStatic::CFontStatic(QWidget* parent) : CFontStatic(QString(), parent) {}

CFontStatic::CFontStatic(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void CFontStatic::SetTextStyle(const QString& face, int height, QColor colour, unsigned char flags)
{
    m_style.applyTextStyle(face, height, colour, flags);
}

void CFontStatic::setOwnBackground(bool on)
{
    m_style.ownBackground = on;
    update();
}

void CFontStatic::setBackgroundColor(QColor colour)
{
    m_style.backgroundColor = colour;
    update();
}

void CFontStatic::SetText(const QString& text)
{
    m_text = text;
    setText(text);
    // A hidden control has nothing on screen to redraw; its first paint is the plain one.
    if (isVisible()) {
        m_immediate = true;
        repaint();
        m_immediate = false;
    }
}

QFont CFontStatic::textFont() const
{
    QFont font;
    font.setFamilies(familiesFor(m_style.face));
    // The height is the size of the character cell in pixels; 0 keeps the default size.
    if (m_style.height != 0) {
        font.setPixelSize(qAbs(m_style.height));
    }
    font.setWeight(m_style.bold ? QFont::Black : QFont::Normal);
    font.setItalic(m_style.italic);
    font.setUnderline(m_style.underline);
    font.setStrikeOut(m_style.strikeOut);
    font.setStyleStrategy(m_style.smooth ? QFont::PreferAntialias : QFont::PreferDefault);
    return font;
}

void CFontStatic::fillAndSetUp(QPainter& painter) const
{
    const QColor fill = m_style.ownBackground && m_style.backgroundColor.isValid() ? m_style.backgroundColor
                                                                                   : palette().color(QPalette::Button);
    painter.fillRect(rect(), fill);
    painter.setPen(m_style.textColor);
    painter.setFont(textFont());
}

void CFontStatic::paintText(QPainter& painter, int flags) const
{
    fillAndSetUp(painter);
    // No mnemonic processing: an '&' in the text is shown as it stands.
    painter.drawText(rect(), flags, text());
}

void CFontStatic::setAlignedColumns(bool on)
{
    m_alignedColumns = on;
    update();
}

namespace {

// A line's two columns: before and after its first run of two or more spaces; the second
// is empty for a line without one.
std::pair<QString, QString> columnsOf(const QString& line)
{
    static const QRegularExpression gap(QStringLiteral(" {2,}"));
    const QRegularExpressionMatch found = gap.match(line);
    if (!found.hasMatch()) {
        return {line, QString()};
    }
    return {line.left(found.capturedStart()), line.mid(found.capturedEnd())};
}

} // namespace

void CFontStatic::paintColumns(QPainter& painter) const
{
    fillAndSetUp(painter);
    const QFontMetrics metrics(painter.font());
    const QStringList lines = text().split(u'\n');
    int secondColumn = 0;
    for (const QString& line : lines) {
        const auto [first, second] = columnsOf(line);
        if (!second.isEmpty()) {
            secondColumn = qMax(secondColumn, metrics.horizontalAdvance(first + QStringLiteral("      ")));
        }
    }
    int y = 0;
    for (const QString& line : lines) {
        const auto [first, second] = columnsOf(line);
        const QRect row(0, y, width(), metrics.height());
        painter.drawText(row, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, second.isEmpty() ? line : first);
        if (!second.isEmpty()) {
            painter.drawText(row.adjusted(secondColumn, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                             second);
        }
        y += metrics.lineSpacing();
    }
}

void CFontStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_alignedColumns && !m_immediate) {
        paintColumns(painter);
    } else if (m_immediate) {
        paintText(painter, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine);
    } else {
        paintText(painter, static_cast<int>(m_style.alignment()) | Qt::AlignTop | Qt::TextWordWrap);
    }
}
