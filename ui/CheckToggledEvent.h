#pragma once

#include <QEvent>

class QObject;

// Posted by a QEL_CheckBoxEx to its parent after a click has toggled it; the parent
// reads the box's state as it is when the event is handled. Application-defined
// message number in the user range.
inline constexpr unsigned int WM_CHECKTOGGLED = 0x5220;

namespace norvanta::ui {

// WM_CHECKTOGGLED as a Qt event: which box was toggled and its new state (1 or 0).
class CheckToggledEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_CHECKTOGGLED);
    CheckToggledEvent(const QObject* box, int state) : QEvent(kType), m_box(box), m_state(state) {}
    // The box that was clicked; compare only, it may be gone by the time this is read.
    const QObject* box() const { return m_box; }
    // 1 when the click checked the box, 0 when it cleared it.
    int state() const { return m_state; }

private:
    const QObject* m_box;
    int m_state;
};

} // namespace norvanta::ui
