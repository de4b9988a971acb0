#include "platform/InstanceLock.h"

#include "tests/ras/RasTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using norvanta::platform::InstanceLock;
using norvanta::ras::testing::ScopedEnv;
using norvanta::ras::testing::TempDir;

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("lock-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(m_dir);
    }

    std::filesystem::path m_dir;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo)
{
    auto first = std::make_unique<InstanceLock>();
    ASSERT_EQ(first->acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
    EXPECT_EQ(InstanceLock::markerPath("Norvanta VPN"), (m_dir / "Norvanta VPN.lock").string());

    InstanceLock second;
    EXPECT_EQ(second.acquire("Norvanta VPN"), InstanceLock::Result::HeldByOther);
    first.reset();
    EXPECT_EQ(second.acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
}

// A client killed outright must not keep the next start from running.
TEST_F(InstanceLockTest, KilledHolderReleasesTheLock)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock;
        const char acquired = lock.acquire("Norvanta VPN") == InstanceLock::Result::Acquired ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &acquired, 1);
        ::pause();
        ::_exit(0);
    }
    char acquired = 0;
    ASSERT_EQ(::read(ready[0], &acquired, 1), 1);
    ASSERT_EQ(acquired, 'y');

    InstanceLock mine;
    EXPECT_EQ(mine.acquire("Norvanta VPN"), InstanceLock::Result::HeldByOther);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(InstanceLockTest, SymlinkPlantedAtTheMarkerIsNotFollowed)
{
    const auto target = m_dir / "victim";
    std::filesystem::create_symlink(target, m_dir / "Norvanta VPN.lock");
    InstanceLock lock;
    EXPECT_EQ(lock.acquire("Norvanta VPN"), InstanceLock::Result::Unavailable);
    EXPECT_FALSE(std::filesystem::exists(target));
}

class InstanceLockFallbackTest : public ::testing::TestWithParam<std::optional<std::string>> {};

// Without a usable runtime folder the marker must not sit in the shared /tmp, where another
// local user could plant a link or an open file there first; it goes to the private
// settings folder instead, which the lock creates with mode 0700.
TEST_P(InstanceLockFallbackTest, MarkerSitsInThePrivateSettingsFolder)
{
    const TempDir config;
    const ScopedEnv runtime{"XDG_RUNTIME_DIR", GetParam()};
    const ScopedEnv configHome{"XDG_CONFIG_HOME", config.path().string()};
    const auto folder = config.path() / "Norvanta VPN";
    EXPECT_EQ(InstanceLock::markerPath("Norvanta VPN"), (folder / "Norvanta VPN.lock").string());

    InstanceLock first;
    ASSERT_EQ(first.acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
    InstanceLock second;
    EXPECT_EQ(second.acquire("Norvanta VPN"), InstanceLock::Result::HeldByOther);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

INSTANTIATE_TEST_SUITE_P(RuntimeDirs, InstanceLockFallbackTest,
                         ::testing::Values(std::nullopt, std::optional<std::string>(""),
                                           std::optional<std::string>("relative/run")),
                         [](const auto& info) {
                             return !info.param           ? std::string("Unset")
                                    : info.param->empty() ? std::string("Empty")
                                                          : std::string("Relative");
                         });

} // namespace
