// norvanta-vpn: the Norvanta VPN client.

#include "app/AppEvents.h"
#include "app/CNorvantaVPNApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    norvanta::app::InstallDialEventRelay();
    CNorvantaVPNApp client(defaultStartup());
    client.InitInstance();
    return 0;
}
