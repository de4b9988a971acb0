// The settings store over the Linux settings file, where the key can vanish under an open
// handle (the file deleted by hand) and come back with the next write. A registry key
// deleted under an open handle refuses writes instead, so this holds for the file alone.

#include "util/CRegistryEx.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;
namespace platform = norvanta::platform;

class CRegistryExFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        m_home = fs::temp_directory_path()
                 / ("norvanta-registry-file-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_home);
        platform::setSettingsConfigHomeForTesting(m_home.string());
    }

    void TearDown() override
    {
        platform::setSettingsConfigHomeForTesting({});
        fs::remove_all(m_home);
    }

    fs::path settingsFile() const { return m_home / "Norvanta VPN" / "settings.reg"; }

    fs::path m_home;
};

TEST_F(CRegistryExFileTest, FailedOpenKeepsTheEarlierKey)
{
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    ASSERT_TRUE(store.WriteDword("UserIDSave", 1));
    fs::remove(settingsFile());
    EXPECT_FALSE(store.Open());
    // The handle still names the key; a write brings the key back rather than losing data.
    EXPECT_TRUE(store.WriteDword("UserIDSave", 0));
    CRegistryEx reader;
    EXPECT_TRUE(reader.Open());
}

} // namespace
