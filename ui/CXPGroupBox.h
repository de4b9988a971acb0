#pragma once

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QString>

// A group box that paints itself: a one-pixel rounded outline whose top line is broken
// behind the caption (frame look), or a filled rounded box with a caption band (window
// look). Every setter stores its value, repaints the box and the parent under it at
// once, and returns the box, so calls chain.
class CXPGroupBox : public QGroupBox {
    Q_OBJECT

public:
    enum Alignment { Left = 0, Centre = 1, Right = 2 };

    explicit CXPGroupBox(QWidget* parent = nullptr);
    CXPGroupBox(const QString& title, QWidget* parent = nullptr);

    CXPGroupBox& SetFrameColor(const QColor& colour);
    CXPGroupBox& SetCaptionColor(const QColor& colour);
    // Window look: a fills the caption band, b the body; frame look uses a behind the caption.
    CXPGroupBox& SetFillColors(const QColor& a, const QColor& b);
    CXPGroupBox& SetFillColor(const QColor& colour);
    // 0 frame look, any other value window look.
    CXPGroupBox& SetLook(int look);
    // The caption becomes " " + text + " ".
    CXPGroupBox& SetCaption(const QString& text);
    // Weight 700 for any non-zero flag, 400 for zero.
    CXPGroupBox& SetCaptionBold(int flag);
    CXPGroupBox& SetCaptionFace(const QString& face);
    CXPGroupBox& SetCaptionUnderline(int flag);
    CXPGroupBox& SetCaptionItalic(int flag);
    CXPGroupBox& SetCaptionPointSize(int points);
    CXPGroupBox& SetCaptionFont(const QFont& font);
    // 1 centre, 2 right, any other value left.
    CXPGroupBox& SetCaptionAlignment(int alignment);

    // What is stored, for tests and owners.
    QString caption() const { return m_caption; }
    QColor frameColor() const { return m_frame; }
    QColor bandColor() const { return m_band; }
    QColor bodyColor() const { return m_body; }
    QColor captionColor() const { return m_captionColour; }
    int look() const { return m_look; }
    int captionAlignment() const { return m_alignment; }
    const QFont& captionFont() const { return m_font; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    // The caption's rectangle for a caption of the given size inside the shrunk rectangle.
    QRect captionRect(const QRect& inner, QSize text, int inset, int top) const;

    QString m_caption;
    QColor m_frame;
    QColor m_band;
    QColor m_body;
    QColor m_captionColour;
    int m_look = 0;
    int m_alignment = Left;
    QFont m_font;
};
