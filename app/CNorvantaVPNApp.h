#pragma once

#include "app/UpdateCheck.h"
#include "platform/InstanceLock.h"

#include <functional>
#include <string>

// What start-up needs from the world, so tests can stand in for each piece.
struct StartupSetup {
    std::string lockName = "Norvanta VPN";
    norvanta::app::UpdateCheckSetup update;
    // Builds the main dialog and runs it modally; `newVersion` is a published version to
    // tell the user of (where no updater can bring it), or empty.
    std::function<void(const std::string& newVersion)> runDialog;
};

// The program's start: one client per logon, the socket layer, the update check, then
// the main dialog for the rest of the run.
class CNorvantaVPNApp {
public:
    enum class Ending {
        Refused,         // another instance runs; said so
        NoSockets,       // the socket layer did not start; said so
        HandedToUpdater, // the updater runs; no window was shown
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
// executable, the real main dialog.
StartupSetup defaultStartup();
