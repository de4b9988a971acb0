#pragma once

#include "app/DialState.h"
#include "app/TrayIcon.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace norvanta::app {

// The client's presence outside its window: the tray icon and its menu, the menu's
// remembered options (what they write and where), and the notices of a dropped link,
// which go to the tray's balloon or, without a tray, to the desktop's notifications.
// The window tells it the phase and the details; it tells the window what the user asked
// for in the menu.
class DesktopIntegration : public QObject {
    Q_OBJECT

public:
    // Reads the remembered options into the menu; the window reads autoReconnect() once.
    explicit DesktopIntegration(QObject* parent);

    bool autoReconnect() const;
    // Whether the icon stands in a tray, where a hidden window can be reached.
    bool trayShown() const { return m_tray->shown(); }

    void setPhase(DialState::Phase phase) { m_tray->setPhase(phase); }
    void setDetails(const QString& server, const QString& time, const QStringList& link)
    {
        m_tray->setDetails(server, time, link);
    }
    void notify(DialState::Notice notice);

    // Where notices go instead of the desktop (tests stand in for it).
    using Notifier = std::function<void(const QString& title, const QString& body)>;
    void setNotifier(Notifier notifier) { m_notifier = std::move(notifier); }

signals:
    void openRequested();
    void connectRequested();
    void disconnectRequested();
    void exitRequested();
    void autoReconnectToggled(bool on);

private:
    void onOptionToggled(TrayIcon::Option option, bool on);

    TrayIcon* m_tray; // child of this object
    Notifier m_notifier;
};

} // namespace norvanta::app
