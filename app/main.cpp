// norvanta-vpn: the Norvanta VPN client.

#include "app/AppEvents.h"
#include "app/CNorvantaVPNApp.h"
#include "platform/Process.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before anything holds the password; a failure leaves the client usable as before.
    norvanta::platform::disableCoreDumps();
    QApplication application(argc, argv);
    norvanta::app::InstallDialEventRelay();
    CNorvantaVPNApp client(defaultStartup());
    client.InitInstance();
    return 0;
}
