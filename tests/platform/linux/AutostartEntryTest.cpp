// The XDG autostart entry: where the session manager looks, what it starts, and that a
// write that cannot be made leaves nothing behind.

#include "platform/Autostart.h"
#include "tests/ras/RasTestSupport.h"
#include "tests/support/TempSettingsHome.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using norvanta::platform::setStartsWithDesktop;
using norvanta::platform::startsWithDesktop;
using norvanta::ras::testing::readFile;

TEST(AutostartEntry, StartsTheInstalledClientInTheTray)
{
    const norvanta::testsupport::TempSettingsHome home;
    ASSERT_TRUE(setStartsWithDesktop(true));
    const auto entry = home.path() / "autostart" / "norvanta-vpn.desktop";
    const std::string text = readFile(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=norvanta-vpn --minimized\n"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(entry.parent_path()), {}), 1)
        << "no temporary file stays beside the entry";
    ASSERT_TRUE(setStartsWithDesktop(false));
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(AutostartEntry, AFolderInTheWayFailsWithoutAnEntry)
{
    const norvanta::testsupport::TempSettingsHome home;
    // A file where the autostart folder should be: nothing can be written below it.
    norvanta::ras::testing::writeFile(home.path() / "autostart", "not a folder");
    EXPECT_FALSE(setStartsWithDesktop(true));
    EXPECT_FALSE(startsWithDesktop());
}

} // namespace
