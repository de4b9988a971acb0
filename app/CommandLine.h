#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvanta::app {

// What the command line asks for. The client has no options of its own beyond these two;
// Qt's own (-platform, -style, ...) pass through to the toolkit.
struct CommandLineChoice {
    enum class Action { Run, PrintVersion, PrintHelp, Refuse };
    Action action = Action::Run;
    std::string refused; // the argument that was not understood, for Refuse
};

// `arguments` without the program name.
CommandLineChoice parseCommandLine(const std::vector<std::string_view>& arguments);

std::string versionText();  // "norvanta-vpn 1.0.0\n"
std::string helpText();     // usage, what the program does, the environment it reads
std::string usageLine();    // the one-line usage, for errors

} // namespace norvanta::app
