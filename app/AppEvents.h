#pragma once

#include "ras/RasDialEvent.h"

#include <QEvent>

class QObject;

namespace norvanta::app {

// WM_RASDIALEVENT as a Qt event: one dial progress report, posted to the main dialog.
class RasDialEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_RASDIALEVENT);
    RasDialEvent(unsigned state, unsigned long error) : QEvent(kType), m_state(state), m_error(error) {}
    unsigned state() const { return m_state; }
    unsigned long error() const { return m_error; }

private:
    unsigned m_state;
    unsigned long m_error;
};

// WM_CHECKTOGGLED (0x5220): a save box was toggled by the user; posted to its parent.
inline constexpr unsigned int WM_CHECKTOGGLED = 0x5220;

class CheckToggledEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_CHECKTOGGLED);
    CheckToggledEvent(const QObject* box, int state) : QEvent(kType), m_box(box), m_state(state) {}
    const QObject* box() const { return m_box; }
    int state() const { return m_state; }

private:
    const QObject* m_box;
    int m_state;
};

// Routes the remote-access thread's dial events to whichever main dialog g_pMainDlg
// names when the event is handled. Events are posted to a relay that lives as long as
// the application, never to the dialog itself, so an event still in flight when the
// dialog goes away is dropped instead of landing on a destroyed window.
void InstallDialEventRelay();

} // namespace norvanta::app
