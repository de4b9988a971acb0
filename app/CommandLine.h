#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvanta::app {

// What the command line asks for: --version, --help, or running, hidden in the tray with
// --minimized (as the desktop starts it at login). Qt's own options (-platform, -style,
// ...) pass through to the toolkit.
struct CommandLineChoice {
    enum class Action { Run, PrintVersion, PrintHelp, Refuse };
    Action action = Action::Run;
    std::string refused;    // the argument that was not understood, for Refuse
    bool minimized = false; // Run: start in the tray, where the desktop has one
};

// `arguments` without the program name.
CommandLineChoice parseCommandLine(const std::vector<std::string_view>& arguments);

std::string versionText(); // "norvanta-vpn 1.0.0\n"
std::string helpText();    // usage, what the program does, the environment it reads
std::string usageLine();   // the one-line usage, for errors

} // namespace norvanta::app
