// Starting with the desktop: the entry the system reads at login, written and removed.

#include "platform/Autostart.h"
#include "tests/support/TempSettingsHome.h"

#include <gtest/gtest.h>

namespace {

using norvanta::platform::SetStartsWithDesktop;
using norvanta::platform::StartsWithDesktop;

TEST(Autostart, IsOffUntilAskedThenFollowsEachChoice)
{
    const norvanta::testsupport::TempSettingsHome home;
    ASSERT_TRUE(SetStartsWithDesktop(false)) << "removing an entry that is not there is no failure";
    EXPECT_FALSE(StartsWithDesktop());
    for (const bool on : {true, true, false, true, false}) {
        EXPECT_TRUE(SetStartsWithDesktop(on));
        EXPECT_EQ(StartsWithDesktop(), on);
    }
}

} // namespace
