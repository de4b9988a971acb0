#pragma once

#include "ras/RasDialNotifier.h"
#include "ui/CheckToggledEvent.h"

#include <QEvent>

class QObject;

namespace norvanta::app {

// WM_RASDIALEVENT as a Qt event: one dial progress report of the dial `connection`,
// posted to the main dialog.
class RasDialEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_RASDIALEVENT);
    RasDialEvent(HRASCONN connection, unsigned state, unsigned long error)
        : QEvent(kType), m_connection(connection), m_state(state), m_error(error)
    {
    }
    HRASCONN connection() const { return m_connection; }
    unsigned state() const { return m_state; }
    unsigned long error() const { return m_error; }

private:
    HRASCONN m_connection;
    unsigned m_state;
    unsigned long m_error;
};

// WM_CHECKTOGGLED comes from the check boxes themselves.
using norvanta::ui::CheckToggledEvent;

// Routes the remote-access thread's dial events to whichever main dialog g_pMainDlg
// names when the event is handled. Events are posted to a relay that lives as long as
// the application, never to the dialog itself, so an event still in flight when the
// dialog goes away is dropped instead of landing on a destroyed window.
void installDialEventRelay();

} // namespace norvanta::app
