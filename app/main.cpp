// norvanta-vpn: the Norvanta VPN client.

#include "app/AppEvents.h"
#include "app/CNorvantaVPNApp.h"
#include "app/CommandLine.h"
#include "platform/Process.h"

#include <QApplication>

#include <cstdio>

namespace {

// Answers --version, --help and what it does not know before any window system is
// touched, so package checks and people at a console need no display.
int answerCommandLine(const norvanta::app::CommandLineChoice& choice)
{
    using Action = norvanta::app::CommandLineChoice::Action;
    switch (choice.action) {
    case Action::PrintVersion:
        std::fputs(norvanta::app::versionText().c_str(), stdout);
        return 0;
    case Action::PrintHelp:
        std::fputs(norvanta::app::helpText().c_str(), stdout);
        return 0;
    case Action::Refuse:
        std::fprintf(stderr, "norvanta-vpn: unknown argument '%s'\n%s", choice.refused.c_str(),
                     norvanta::app::usageLine().c_str());
        return 2;
    case Action::Run:
        break;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const auto choice = norvanta::app::parseCommandLine(std::vector<std::string_view>(argv + 1, argv + argc));
    if (const int answered = answerCommandLine(choice); answered >= 0) {
        return answered;
    }
    // Before anything holds the password; a failure leaves the client usable as before.
    norvanta::platform::disableCoreDumps();
    norvanta::platform::preventSessionBusAutolaunch();
    QApplication application(argc, argv);
    norvanta::app::installDialEventRelay();
    CNorvantaVPNApp client(defaultStartup(choice.minimized));
    client.InitInstance();
    return 0;
}
