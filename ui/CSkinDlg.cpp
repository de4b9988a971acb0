#include "ui/CSkinDlg.h"

#include "ui/MessageBox.h"
#include "ui/SkinFramePainter.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <functional>
#include <utility>

using norvanta::ui::CaptionButton;
using norvanta::ui::CaptionButtonState;
using norvanta::ui::HitArea;
using norvanta::ui::SkinResources;

namespace {

// The client area: paints the dialog's background and tells the frame when the pointer
// has crossed from the frame into it, which is the frame's "pointer left" moment.
class SkinClientArea : public QWidget {
public:
    SkinClientArea(QWidget* parent, std::function<void()> entered) : QWidget(parent), m_entered(std::move(entered))
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter(this).fillRect(event->rect(), QColor::fromRgb(SkinResources::kBackground));
    }

    void enterEvent(QEnterEvent* event) override
    {
        m_entered();
        QWidget::enterEvent(event);
    }

private:
    std::function<void()> m_entered;
};

} // namespace

CSkinDlg::CSkinDlg(QWidget* parent) : QDialog(parent)
{
    // A window of its own (so it has a task-bar entry and can be minimized) that the
    // window manager does not decorate: the frame is ours.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    m_skin.load();
    m_geometry = norvanta::ui::SkinFrameGeometry(m_skin.measures());
    setWindowIcon(m_skin.icon());
    setMouseTracking(true);
    setMinimumSize(norvanta::ui::SkinFrameGeometry::kMinimumSize);
    m_client = new SkinClientArea(this, [this] { clientEntered(); });
    layoutFrame();
}

CSkinDlg::~CSkinDlg() = default;

QWidget* CSkinDlg::clientArea() const
{
    return m_client;
}

void CSkinDlg::setFixedClientSize(QSize client)
{
    setFixedSize(m_geometry.windowSizeFor(client));
    // A hidden window hears of its new size only when shown; its children and shape
    // are laid out now so they can be placed and examined before that.
    layoutFrame();
}

void CSkinDlg::layoutFrame()
{
    m_client->setGeometry(m_geometry.clientRect(size()));
    setMask(m_geometry.windowShape(size(), isMaximized()));
}

void CSkinDlg::adoptClientChildren()
{
    const QObjectList children = this->children();
    for (QObject* child : children) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget == m_client || widget->isWindow()) {
            continue;
        }
        const bool hidden = widget->isHidden();
        const QRect geometry = widget->geometry();
        widget->setParent(m_client);
        widget->setGeometry(geometry);
        if (!hidden) {
            widget->show();
        }
    }
}

void CSkinDlg::PaintFrame()
{
    update();
}

QRect CSkinDlg::captionButtonRect(CaptionButton button) const
{
    return m_geometry.buttonRect(button, size(), isMaximized());
}

void CSkinDlg::reject()
{
    if (m_escapeHeld) {
        return;
    }
    QDialog::reject();
}

bool CSkinDlg::confirmExit()
{
    return norvanta::ui::MessageBox::ask(this, QStringLiteral("Norvanta VPN"), QString::fromUtf8(kExitQuestion));
}

void CSkinDlg::closeConfirmed()
{
    m_exitConfirmed = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CSkinDlg::closeEvent(QCloseEvent* event)
{
    if (!m_exitConfirmed && !confirmExit()) {
        event->ignore();
        return;
    }
    m_exitConfirmed = false;
    // The close goes through reject(), which an Escape held down would refuse: the answer
    // was yes, so nothing held over from before the question may undo it.
    m_escapeHeld = false;
    QDialog::closeEvent(event);
}

void CSkinDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRegion frame = QRegion(rect()) - QRegion(m_geometry.clientRect(size()));
    // Edges whose image is missing still get the background, not whatever was there.
    for (const QRect& part : frame) {
        painter.fillRect(part, QColor::fromRgb(SkinResources::kBackground));
    }
    norvanta::ui::FrameLook look;
    look.active = m_active;
    // The minimized look is for a window that really shrank to its caption. Where nothing
    // minimizes it (a display without a window manager) the window keeps its size, and
    // that look would leave the caption blank.
    look.minimized = isMinimized() && height() < norvanta::ui::SkinFrameGeometry::kMinimumSize.height();
    look.maximized = isMaximized();
    look.minimize = m_buttons.minimizeImage();
    look.close = m_buttons.closeImage();
    look.title = windowTitle();
    look.captionFont = SkinResources::captionFont(logicalDpiY());
    norvanta::ui::paintSkinFrame(painter, size(), m_skin, m_geometry, look);
}

void CSkinDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutFrame();
}

void CSkinDlg::showEvent(QShowEvent* event)
{
    adoptClientChildren();
    QDialog::showEvent(event);
}

void CSkinDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        m_active = isActiveWindow();
        if (!m_active) {
            // An Escape released in another window never reaches this one; held on, the
            // flag would refuse every later close.
            m_escapeHeld = false;
        }
        PaintFrame();
    } else if (event->type() == QEvent::WindowStateChange) {
        layoutFrame();
        PaintFrame();
    }
    QDialog::changeEvent(event);
}

CaptionButton CSkinDlg::buttonAt(QPoint point) const
{
    return m_geometry.buttonAt(point, size(), isMaximized());
}

HitArea CSkinDlg::hitTest(QPoint point) const
{
    return m_geometry.hitTest(point, size(), m_buttons.pressed() != CaptionButton::None);
}

void CSkinDlg::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || hitTest(point) == HitArea::Client) {
        QDialog::mousePressEvent(event);
        return;
    }
    const auto reaction = m_buttons.buttonPressed(buttonAt(point), isMaximized());
    apply(reaction);
    if (!reaction.consumed && hitTest(point) == HitArea::Caption) {
        startDrag(event);
    }
    event->accept();
}

void CSkinDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (hitTest(point) == HitArea::Client) {
        if (m_buttons.trackingLeave()) {
            apply(m_buttons.pointerLeft());
        }
        QDialog::mouseMoveEvent(event);
        return;
    }
    apply(m_buttons.pointerMoved(buttonAt(point)));
    event->accept();
}

void CSkinDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    const QPoint point = event->position().toPoint();
    const auto reaction = m_buttons.buttonReleased(buttonAt(point));
    apply(reaction);
    // The images are back to normal before anything runs, so a question that stays open
    // does not show the button still pressed behind it.
    if (reaction.command == CaptionButtonState::Command::AskExit) {
        if (confirmExit()) {
            closeConfirmed();
        }
    } else if (reaction.command == CaptionButtonState::Command::ToggleMinimized) {
        if (isMinimized()) {
            showNormal();
        } else {
            showMinimized();
        }
    }
    event->accept();
}

void CSkinDlg::leaveEvent(QEvent* event)
{
    apply(m_buttons.pointerLeft());
    QDialog::leaveEvent(event);
}

void CSkinDlg::clientEntered()
{
    if (m_buttons.trackingLeave()) {
        apply(m_buttons.pointerLeft());
    }
}

void CSkinDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        m_escapeHeld = true;
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Neither key ends the dialog; a derived dialog gives Enter its own meaning.
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CSkinDlg::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        m_escapeHeld = false;
    }
    QDialog::keyReleaseEvent(event);
}

void CSkinDlg::apply(const CaptionButtonState::Reaction& reaction)
{
    if (reaction.repaint) {
        PaintFrame();
    }
}

void CSkinDlg::startDrag(QMouseEvent* event)
{
    if (QWindow* window = windowHandle(); window != nullptr && window->startSystemMove()) {
        return;
    }
    // Without a window manager that moves windows itself, follow the pointer by hand.
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}
