#pragma once

#include "app/StartupFetch.h"
#include "app/UpdateCheck.h"
#include "platform/InstanceLock.h"

#include <QObject>

#include <functional>
#include <string>

// Later starts of the client asking for the running window (they said "already running"
// first). Emitted on the instance channel's thread, so connections to the window's objects
// are queued.
class LaterStarts : public QObject {
    Q_OBJECT

signals:
    void showRequested();
};

// What start-up needs from the world, so tests can stand in for each piece.
struct StartupSetup {
    std::string lockName = "Norvanta VPN";
    norvanta::app::UpdateCheckSetup update;
    std::string serverListUrl;
    // Builds the main dialog, shows it at once fed by the fetch already under way (the
    // update check, then the server list), and runs it until it ends; brings it back
    // whenever a later start asks.
    std::function<void(norvanta::app::StartupFetch& fetch, LaterStarts& laterStarts)> runDialog;
};

// The program's start: one client per logon, the socket layer, then the main dialog at
// once while the update check and, after it, the server list are fetched off the
// window's thread. An update that is due ends the dialog and hands over to the updater.
class CNorvantaVPNApp {
public:
    enum class Ending {
        Refused,         // another instance runs; said so
        NoSockets,       // the socket layer did not start; said so
        HandedToUpdater, // the updater runs; the window it found open was ended
        DialogEnded,     // the main dialog ran and ended
    };

    explicit CNorvantaVPNApp(StartupSetup setup);

    // Runs start-up to its end. The instance lock stays held as long as this object lives.
    Ending InitInstance();

private:
    StartupSetup m_setup;
    norvanta::platform::InstanceLock m_instanceLock;
};

// The production wiring: the configured service web server, the updater next to the
// executable, the real main dialog; with `minimized`, its window starts in the tray.
StartupSetup defaultStartup(bool minimized = false);
