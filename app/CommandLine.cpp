#include "app/CommandLine.h"

#include <algorithm>
#include <array>

namespace norvanta::app {
namespace {

// Qt's own options of a widget program (QGuiApplication, QApplication and the X11
// platform), with and without a value after them.
constexpr std::array<std::string_view, 15> kQtOptionsWithValue{
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "name",          "title",  "visual"};
constexpr std::array<std::string_view, 5> kQtFlags{"reverse", "widgetcount", "nograb", "dograb", "sync"};

// The option's name without its one or two leading dashes and any "=value".
std::string_view optionName(std::string_view argument)
{
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    return argument.substr(0, argument.find('='));
}

bool listed(std::string_view name, auto const& list)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

} // namespace

CommandLineChoice parseCommandLine(const std::vector<std::string_view>& arguments)
{
    CommandLineChoice choice;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--minimized") {
            choice.minimized = true;
            continue;
        }
        if (argument == "--version") {
            return {CommandLineChoice::Action::PrintVersion, {}};
        }
        if (argument == "--help" || argument == "-h") {
            return {CommandLineChoice::Action::PrintHelp, {}};
        }
        const bool isOption = argument.size() > 1 && argument.front() == '-';
        const std::string_view name = isOption ? optionName(argument) : std::string_view();
        if (isOption && listed(name, kQtFlags)) {
            continue;
        }
        if (isOption && listed(name, kQtOptionsWithValue)) {
            const bool valueAttached = argument.find('=') != std::string_view::npos;
            if (!valueAttached && ++i >= arguments.size()) {
                return {CommandLineChoice::Action::Refuse, std::string(argument)};
            }
            continue;
        }
        return {CommandLineChoice::Action::Refuse, std::string(argument)};
    }
    return choice;
}

std::string versionText()
{
    return std::string("norvanta-vpn ") + NORVANTA_VERSION + "\n";
}

std::string usageLine()
{
    return "Usage: norvanta-vpn [--minimized] [--help | --version]\n";
}

std::string helpText()
{
    return usageLine()
           + "\n"
             "Norvanta VPN 클라이언트: the Norvanta subscription VPN service's desktop client.\n"
             "Type your ID and password, choose a server and press 접속 (connect); the client\n"
             "dials PPTP through NetworkManager (network-manager-pptp).\n"
             "\n"
             "Options:\n"
             "  --minimized start hidden in the tray (where the desktop has one)\n"
             "  --help      show this text and exit\n"
             "  --version   show the version and exit\n"
             "Qt's own options (-platform, -style, ...) are passed to the toolkit.\n"
             "\n"
             "Environment:\n"
             "  NORVANTA_VPN_SERVICE_HOST   the service web server as host or host:port\n"
             "  NORVANTA_VPN_RAS            nm (NetworkManager, the default) or sim (simulation)\n"
             "  XDG_CONFIG_HOME             where the settings live (\"Norvanta VPN/settings.reg\")\n";
}

} // namespace norvanta::app
