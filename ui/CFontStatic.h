#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

// A static text that draws itself with its own font (face, height, weight and styles),
// text colour, background and alignment. Its plain paint wraps at word boundaries from
// the top; SetText redraws at once with the text on one line, vertically centred.
class CFontStatic : public QLabel {
    Q_OBJECT

public:
    // Flag bits of SetTextStyle.
    enum StyleFlag : unsigned char {
        kBold = 0x01,
        kItalic = 0x02,
        kUnderline = 0x04,
        kStrikeOut = 0x08,
        kSmooth = 0x10,
        kCentre = 0x20,
        kRight = 0x80,
    };

    // Everything a paint draws with; plain data, usable without a window.
    struct Style {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeOut = false;
        bool smooth = false;
        bool ownBackground = false;
        bool centre = false;
        bool left = true;
        bool right = false;
        QString face = QStringLiteral("MS Sans Serif");
        QColor textColor = QColor(0, 0, 0);
        QColor backgroundColor;
        int height = 8;

        // Stores face, height and colour; a set flag bit switches its attribute on, a
        // clear one leaves it as it was; the alignment is chosen anew: centre for 0x20,
        // else right for 0x80, else left. Bit 6 means nothing.
        void applyTextStyle(const QString& faceName, int fontHeight, QColor colour, unsigned char flags);
        // The alignment the plain paint uses (horizontal only).
        Qt::Alignment alignment() const;
    };

    explicit CFontStatic(QWidget* parent = nullptr);
    explicit CFontStatic(const QString& text, QWidget* parent = nullptr);

    // See Style::applyTextStyle. Does not redraw.
    void SetTextStyle(const QString& face, int height, QColor colour, unsigned char flags);
    // Stores text as the window text and, when the control is on screen, redraws it at
    // once on one line, vertically centred and left-aligned.
    void SetText(const QString& text);

    // Fill with the background colour instead of the button-face colour.
    void setOwnBackground(bool on);
    // Draws a text of two columns (each line's second part after a run of two or more
    // spaces) with the second column at one edge for every line, as a proportional font
    // would not by the spaces alone. The text itself is kept as it is.
    void setAlignedColumns(bool on);
    void setBackgroundColor(QColor colour);

    const Style& style() const { return m_style; }
    // The font a paint makes: the face at the height in pixels, weight 900 when bold,
    // else 400. A face the system lacks gives way to a Korean face it has (Gulim and
    // its kin to NanumGothic), so Hangul always shows.
    QFont textFont() const;
    // The text last given to SetText.
    const QString& lastSetText() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The background, the text colour and the font every paint starts from.
    void fillAndSetUp(QPainter& painter) const;
    void paintText(QPainter& painter, int flags) const;
    void paintColumns(QPainter& painter) const;

    Style m_style;
    QString m_text;
    // Set only while SetText redraws, so that paint takes the one-line look.
    bool m_immediate = false;
    bool m_alignedColumns = false;
};
