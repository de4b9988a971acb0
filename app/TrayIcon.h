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
// of 열기, 접속 or 접속종료, the check items of Option, and 종료. The menu is there whether or not the desktop has a
// tray; the icon appears when a tray does, and without one nothing changes.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    // The menu's check items, in their order.
    enum class Option { AutoReconnect, StartWithDesktop, ConnectOnStart };
    static constexpr int kOptionCount = 3;

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void setPhase(DialState::Phase phase);
    // Ticks or unticks an item without telling anyone (the choice as read at start).
    void setOption(Option option, bool on);
    // The tooltip's lines under the title: the chosen server and the connected time
    // (or what the window's status says when there is no time to tell), then while
    // connected what the link is.
    void setDetails(const QString& server, const QString& time, const QStringList& link = {});

    DialState::Phase phase() const { return m_phase; }
    QString toolTip() const { return m_toolTip; }
    QMenu* menu() const { return m_menu.get(); }
    QAction* openAction() const { return m_open; }
    QAction* connectAction() const { return m_connect; }
    QAction* optionAction(Option option) const { return m_options[static_cast<int>(option)]; }
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
    // The user ticked or unticked an item.
    void optionToggled(norvanta::app::TrayIcon::Option option, bool on);

private:
    void refresh();

    std::unique_ptr<QMenu> m_menu;
    QAction* m_open = nullptr;
    QAction* m_connect = nullptr;
    QAction* m_options[kOptionCount] = {};
    QAction* m_exit = nullptr;
    QSystemTrayIcon* m_icon = nullptr; // child of this object, waiting for a tray where none is
    DialState::Phase m_phase = DialState::Phase::Idle;
    QString m_server;
    QString m_time;
    QStringList m_link;
    QString m_toolTip;
};

} // namespace norvanta::app
