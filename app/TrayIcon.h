#pragma once

#include "app/DialState.h"

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace norvanta::app {

// The client in the desktop's tray: a picture for the dial's phase (disconnected,
// connecting, connected), a tooltip with the server and the connected time, and a menu
// of 열기, 접속 or 접속종료, the check items 자동 재접속 and 로그인 시 시작, and 종료. The menu is there whether or not the desktop has a
// tray; the icon appears when a tray does, and without one nothing changes.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void setPhase(DialState::Phase phase);
    // Ticks or unticks 자동 재접속 without telling anyone (the choice read at start).
    void setAutoReconnect(bool on);
    // Ticks or unticks 로그인 시 시작 without telling anyone.
    void setStartsWithDesktop(bool on);
    // The tooltip's lines under the title: the chosen server and the connected time
    // (or what the window's status says when there is no time to tell).
    void setDetails(const QString& server, const QString& time);

    DialState::Phase phase() const { return m_phase; }
    QString toolTip() const { return m_toolTip; }
    QMenu* menu() const { return m_menu.get(); }
    QAction* openAction() const { return m_open; }
    QAction* connectAction() const { return m_connect; }
    QAction* autoReconnectAction() const { return m_autoReconnect; }
    QAction* startsWithDesktopAction() const { return m_startsWithDesktop; }
    QAction* exitAction() const { return m_exit; }
    // Whether the icon stands in a tray.
    bool shown() const;
    // Shows a balloon from the icon; false when there is no tray to show it from.
    bool showMessage(const QString& title, const QString& body);

    // The picture of a phase: the client's icon with a coloured mark in its corner.
    static QIcon pictureFor(DialState::Phase phase);

signals:
    void openRequested();
    void connectRequested();
    void disconnectRequested();
    void exitRequested();
    // The user ticked or unticked 자동 재접속.
    void autoReconnectToggled(bool on);
    // The user ticked or unticked 로그인 시 시작.
    void startsWithDesktopToggled(bool on);

private:
    void refresh();

    std::unique_ptr<QMenu> m_menu;
    QAction* m_open = nullptr;
    QAction* m_connect = nullptr;
    QAction* m_autoReconnect = nullptr;
    QAction* m_startsWithDesktop = nullptr;
    QAction* m_exit = nullptr;
    QSystemTrayIcon* m_icon = nullptr; // child of this object, waiting for a tray where none is
    DialState::Phase m_phase = DialState::Phase::Idle;
    QString m_server;
    QString m_time;
    QString m_toolTip;
};

} // namespace norvanta::app
