// The settings file's writer lock as the save meets it. Linux only: on Windows the
// settings are registry values, which have no lock file.

#include "app/SavedCredentials.h"
#include "tests/support/TempSettingsHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using norvanta::testsupport::TempSettingsHome;

namespace {

using namespace norvanta::app;

// Another process holding the settings lock (say, a stopped updater) may cost the window
// about a second per save, never more; the save then fails quietly and changes nothing.
TEST(SavedCredentials, HeldSettingsLockFailsTheSaveWithinASecond)
{
    using namespace std::chrono_literals;
    TempSettingsHome home;
    SaveCredentials("user", "old", 1, 1);
    const std::string before = home.settingsText();
    const std::string lockPath = home.settingsFile().string() + ".lock";
    const int holder = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    const auto start = std::chrono::steady_clock::now();
    SaveCredentials("other", "new", 0, 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    ::close(holder);

    EXPECT_LT(waited, 1500ms);
    EXPECT_GE(waited, 500ms); // it did wait for the writer a while before giving up
    EXPECT_EQ(home.settingsText(), before);
}

} // namespace
