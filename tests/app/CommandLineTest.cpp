#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using norvanta::app::CommandLineChoice;
using norvanta::app::parseCommandLine;
using Action = CommandLineChoice::Action;

struct Case {
    const char* name;
    std::vector<std::string_view> arguments;
    Action action;
    std::string refused;
    bool minimized = false;
};

class CommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineTest, ChoosesWhatTheArgumentsAskFor)
{
    const CommandLineChoice choice = parseCommandLine(GetParam().arguments);
    EXPECT_EQ(choice.action, GetParam().action);
    EXPECT_EQ(choice.refused, GetParam().refused);
    EXPECT_EQ(choice.minimized, GetParam().minimized);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(Case{"Nothing", {}, Action::Run, ""}, Case{"Version", {"--version"}, Action::PrintVersion, ""},
                      Case{"Help", {"--help"}, Action::PrintHelp, ""}, Case{"ShortHelp", {"-h"}, Action::PrintHelp, ""},
                      Case{"QtOptionWithItsValue", {"-platform", "offscreen"}, Action::Run, ""},
                      Case{"QtOptionWithAttachedValue", {"--style=fusion"}, Action::Run, ""},
                      Case{"QtFlag", {"-reverse"}, Action::Run, ""},
                      Case{"Minimized", {"-platform", "xcb", "--minimized"}, Action::Run, "", true},
                      Case{"VersionAfterQtOptions", {"-platform", "offscreen", "--version"}, Action::PrintVersion, ""},
                      Case{"QtOptionMissingItsValue", {"-platform"}, Action::Refuse, "-platform"},
                      Case{"UnknownOption", {"--verbose"}, Action::Refuse, "--verbose"},
                      Case{"StrayWord", {"connect"}, Action::Refuse, "connect"},
                      Case{"ValueNotTakenForAnOption", {"-platform", "offscreen", "extra"}, Action::Refuse, "extra"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
