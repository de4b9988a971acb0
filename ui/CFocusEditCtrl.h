#pragma once

#include <QColor>
#include <QLineEdit>

// A one-line edit that turns light sky blue while it holds the keyboard focus (unless
// it is read-only or disabled), pastes through its own door to the clipboard (beeping
// when the clipboard cannot be opened), also pastes on Shift with '-' and on Control
// with 'v', and takes the path of a file dropped onto it.
class CFocusEditCtrl : public QLineEdit {
    Q_OBJECT

public:
    // The focus look: background and text background, and the text colour.
    static constexpr QRgb kFocusBackground = 0xFF75D2FF; // RGB(117,210,255)
    static constexpr QRgb kFocusText = 0xFF000000;

    explicit CFocusEditCtrl(QWidget* parent = nullptr);

    // Replaces the selection with the clipboard's text as one undoable change, up to the
    // first line break. A clipboard that cannot be opened gives the exclamation beep and
    // changes nothing; a clipboard without text changes nothing, silently.
    void pasteFromClipboard();
    // True while the focus look is shown.
    bool focusLookShown() const { return m_focusLook; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void updateLook();
    void applyFocusPalette();

    bool m_focusLook = false;
    // Whether the palette was set on this edit before the focus look replaced it, so
    // that taking the look off can give back an inherited palette rather than a copy.
    bool m_hadOwnPalette = false;
    QPalette m_normalPalette;
    bool m_applyingLook = false;
};
