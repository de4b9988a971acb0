#pragma once

// Controls of a dialog derived from CSkinDlg belong in its client area, whose origin is
// (10, 40) of the window with the shipped skin: create them as children of clientArea()
// and place them in client coordinates. Children made directly on the dialog are moved
// into the client area, keeping their coordinates, when the dialog is shown (or by
// adoptClientChildren()); geometry() of a control is therefore always in client
// coordinates. setFixedClientSize() sizes the window around a client area.

#include "ui/CaptionButtonState.h"
#include "ui/SkinFrameGeometry.h"
#include "ui/SkinResources.h"

#include <QDialog>
#include <QPoint>

class QWidget;

// A dialog that draws its own frame: a 40-pixel caption bar with icon, bold title and
// minimize and close buttons, borders and bottom from the skin images, rounded top
// corners. The close button asks "종료 하시겠습니까?" and closes only on yes; Enter and
// Escape never end the dialog.
class CSkinDlg : public QDialog {
    Q_OBJECT

public:
    // The question the caption's close button asks before the window ends.
    static constexpr char kExitQuestion[] = "종료 하시겠습니까?";

    explicit CSkinDlg(QWidget* parent = nullptr);
    ~CSkinDlg() override;

    // The widget that covers the client area and paints its RGB(254,254,254) background.
    QWidget* clientArea() const;
    // Sizes the window so that its client area is client, and keeps it at that size.
    void setFixedClientSize(QSize client);
    // Moves the dialog's own child widgets into the client area, keeping their geometry.
    void adoptClientChildren();
    // Repaints the frame.
    void PaintFrame();

    // For tests and derived dialogs: the frame as it stands.
    const norvanta::ui::SkinFrameGeometry& skinGeometry() const { return m_geometry; }
    const norvanta::ui::CaptionButtonState& captionButtons() const { return m_buttons; }
    // The button's rectangle in window coordinates; empty for None.
    QRect captionButtonRect(norvanta::ui::CaptionButton button) const;
    // Whether the title is drawn in the active colour.
    bool frameActive() const { return m_active; }

public slots:
    // Enter and the OK command do nothing: the dialog stays open.
    void accept() override {}
    // Ends the dialog with Rejected, except while the Escape key is held down.
    void reject() override;

protected:
    // Asks the exit question over the window; true for yes.
    virtual bool confirmExit();
    // Ends the window once the exit question has been answered yes (the caption's button,
    // a tray menu), without asking again.
    void closeConfirmed();
    // Every other close (the window manager's Alt+F4 or its own close button) asks first,
    // exactly as the caption's button does.
    void closeEvent(QCloseEvent* event) override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // Places the client area and sets the window's shape for the current size.
    void layoutFrame();
    norvanta::ui::CaptionButton buttonAt(QPoint point) const;
    norvanta::ui::HitArea hitTest(QPoint point) const;
    void apply(const norvanta::ui::CaptionButtonState::Reaction& reaction);
    void startDrag(QMouseEvent* event);
    void clientEntered();

    norvanta::ui::SkinResources m_skin;
    norvanta::ui::SkinFrameGeometry m_geometry;
    norvanta::ui::CaptionButtonState m_buttons;
    QWidget* m_client = nullptr;
    bool m_active = true;
    bool m_escapeHeld = false;
    bool m_exitConfirmed = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};
