// Starting with the desktop: the entry the system reads at login, written and removed.

#include "platform/Autostart.h"
#include "tests/support/TempSettingsHome.h"

#include <gtest/gtest.h>

namespace {

using norvanta::platform::setStartsWithDesktop;
using norvanta::platform::startsWithDesktop;

TEST(Autostart, IsOffUntilAskedThenFollowsEachChoice)
{
    const norvanta::testsupport::TempSettingsHome home;
    ASSERT_TRUE(setStartsWithDesktop(false)) << "removing an entry that is not there is no failure";
    EXPECT_FALSE(startsWithDesktop());
    for (const bool on : {true, true, false, true, false}) {
        EXPECT_TRUE(setStartsWithDesktop(on));
        EXPECT_EQ(startsWithDesktop(), on);
    }
}

} // namespace
