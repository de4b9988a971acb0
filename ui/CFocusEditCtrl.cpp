#include "ui/CFocusEditCtrl.h"

#include "ui/ClipboardAccess.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace {

using norvanta::ui::ClipboardAccess;

// The first local file among the dropped items; empty when there is none.
QString firstDroppedPath(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return QDir::toNativeSeparators(url.toLocalFile());
        }
    }
    return {};
}

// Shift with '-' is the keypad's minus on some keyboards; Control with 'v' is the paste
// key however the layout reports it.
bool isPasteKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        return true;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::ShiftModifier) && event->text() == QLatin1String("-")) {
        return true;
    }
    return (modifiers & Qt::ControlModifier) && event->key() == Qt::Key_V;
}

} // namespace

CFocusEditCtrl::CFocusEditCtrl(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(true);
}

void CFocusEditCtrl::pasteFromClipboard()
{
    const ClipboardAccess::Content content = ClipboardAccess::readText();
    if (content.status == ClipboardAccess::Status::Busy) {
        ClipboardAccess::alert();
        return;
    }
    if (content.status != ClipboardAccess::Status::Text) {
        return;
    }
    // A one-line field keeps the first line of a multi-line text, as a single-line edit
    // always has; the rest would otherwise end up glued into one line.
    QString text = content.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            text.truncate(i);
            break;
        }
    }
    if (!text.isEmpty() && !isReadOnly()) {
        insert(text);
    }
}

void CFocusEditCtrl::keyPressEvent(QKeyEvent* event)
{
    if (isPasteKey(event)) {
        pasteFromClipboard();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CFocusEditCtrl::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    updateLook();
}

void CFocusEditCtrl::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    updateLook();
}

void CFocusEditCtrl::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::ReadOnlyChange) {
        updateLook();
    } else if (event->type() == QEvent::PaletteChange && m_focusLook && !m_applyingLook) {
        // The owner set a palette while the look was on: that is the palette to come
        // back to, and the look stays on top of it.
        m_hadOwnPalette = true;
        m_normalPalette = palette();
        applyFocusPalette();
    }
}

void CFocusEditCtrl::updateLook()
{
    const bool wanted = hasFocus() && isEnabled() && !isReadOnly();
    if (wanted == m_focusLook) {
        return;
    }
    m_focusLook = wanted;
    if (wanted) {
        m_hadOwnPalette = testAttribute(Qt::WA_SetPalette);
        m_normalPalette = palette();
        applyFocusPalette();
    } else {
        m_applyingLook = true;
        setPalette(m_hadOwnPalette ? m_normalPalette : QPalette());
        m_applyingLook = false;
    }
    update();
}

void CFocusEditCtrl::applyFocusPalette()
{
    QPalette look = m_normalPalette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        look.setColor(group, QPalette::Base, QColor::fromRgb(kFocusBackground));
        look.setColor(group, QPalette::Text, QColor::fromRgb(kFocusText));
    }
    m_applyingLook = true;
    setPalette(look);
    m_applyingLook = false;
}

void CFocusEditCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    QPointer<QMenu> menu = createStandardContextMenu();
    if (menu == nullptr) {
        return;
    }
    // The menu's paste goes through the same door as the keys, beep included.
    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        paste->disconnect();
        connect(paste, &QAction::triggered, this, &CFocusEditCtrl::pasteFromClipboard);
    }
    menu->exec(event->globalPos());
    delete menu;
}

void CFocusEditCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (!firstDroppedPath(event->mimeData()).isEmpty() && !isReadOnly()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CFocusEditCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (!firstDroppedPath(event->mimeData()).isEmpty() && !isReadOnly()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CFocusEditCtrl::dropEvent(QDropEvent* event)
{
    // Only files are taken: their path is inserted, anything else dropped is left alone.
    const QString path = firstDroppedPath(event->mimeData());
    if (path.isEmpty() || isReadOnly()) {
        event->ignore();
        return;
    }
    insert(path);
    event->acceptProposedAction();
}
