// Tests of the seams through their headers alone, so that they hold for every back-end:
// the REGEDIT4 file on Linux and the registry on Windows, flock and the named mutex.

#include "platform/InstanceLock.h"
#include "platform/SettingsKey.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace platform = norvanta::platform;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kPath = "SOFTWARE\\Norvanta VPN";

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

class SettingsSeamTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        m_home = (std::filesystem::temp_directory_path()
                  / ("norvanta-seam-" + std::to_string(random()) + std::to_string(random())))
                     .string();
        platform::setSettingsConfigHomeForTesting(m_home);
    }

    void TearDown() override
    {
        for (const auto key : m_keys) {
            platform::closeSettingsKey(key);
        }
        platform::setSettingsConfigHomeForTesting({});
        std::error_code ignored;
        std::filesystem::remove_all(m_home, ignored);
    }

    platform::SettingsKeyHandle create()
    {
        platform::SettingsKeyHandle key = 0;
        EXPECT_EQ(platform::createSettingsKey(platform::kCurrentUserKey, kPath, key), platform::kErrorSuccess);
        m_keys.push_back(key);
        return key;
    }

    std::string m_home;
    std::vector<platform::SettingsKeyHandle> m_keys;
};

TEST_F(SettingsSeamTest, OpenFindsOnlyWhatCreateMade)
{
    platform::SettingsKeyHandle key = 0;
    EXPECT_EQ(platform::openSettingsKey(platform::kCurrentUserKey, kPath, key), platform::kErrorFileNotFound);
    EXPECT_EQ(key, 0u);
    create();
    ASSERT_EQ(platform::openSettingsKey(platform::kCurrentUserKey, kPath, key), platform::kErrorSuccess);
    m_keys.push_back(key);
}

struct StoredValue {
    const char* label;
    std::string name;
    std::uint32_t type;
    Bytes data;
    std::string queriedAs; // the name the value is read back by
};

class SettingsSeamValueTest : public SettingsSeamTest, public testing::WithParamInterface<StoredValue> {};

TEST_P(SettingsSeamValueTest, ComesBackByteForByteWithItsType)
{
    const StoredValue& value = GetParam();
    const auto writer = create();
    ASSERT_EQ(platform::setSettingsValue(writer, value.name, value.type, value.data), platform::kErrorSuccess);

    // Through a second handle, as the next start of the client would read it.
    platform::SettingsKeyHandle reader = 0;
    ASSERT_EQ(platform::openSettingsKey(platform::kCurrentUserKey, kPath, reader), platform::kErrorSuccess);
    m_keys.push_back(reader);
    Bytes buffer(value.data.size() + 8, 0xEE);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(platform::querySettingsValue(reader, value.queriedAs, type, buffer, size), platform::kErrorSuccess);
    EXPECT_EQ(type, value.type);
    buffer.resize(size);
    EXPECT_EQ(buffer, value.data);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsSeamValueTest,
    testing::Values(
        StoredValue{"Base64Id", "UserID", platform::kRegSz, bytesOf(std::string_view("bGVl\0", 5)), "UserID"},
        StoredValue{"Cp949Text", "Name", platform::kRegSz, bytesOf(std::string_view("\xBC\xAD\xBF\xEF \x8C\x63\0", 8)),
                    "Name"},
        StoredValue{"Dword", "UserIDSave", platform::kRegDword, Bytes{1, 0, 0, 0}, "UserIDSave"},
        StoredValue{"BinaryWithZerosAndHighBytes", "Blob", platform::kRegBinary, Bytes{0, 0xFF, 0, 0x80}, "Blob"},
        StoredValue{"EmptyBinary", "Nothing", platform::kRegBinary, Bytes{}, "Nothing"},
        StoredValue{"DefaultValue", "", platform::kRegSz, bytesOf(std::string_view("d\0", 2)), ""},
        StoredValue{"NameInAnotherCase", "Ver", platform::kRegSz, bytesOf(std::string_view("1.0.3\0", 6)), "VER"}),
    [](const testing::TestParamInfo<StoredValue>& info) { return info.param.label; });

TEST_F(SettingsSeamTest, ShortBufferGetsTheSizeAndStaysUntouched)
{
    const auto key = create();
    const Bytes data = bytesOf(std::string_view("1.0.3\0", 6));
    ASSERT_EQ(platform::setSettingsValue(key, "Ver", platform::kRegSz, data), platform::kErrorSuccess);

    Bytes buffer(3, 0xEE);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(platform::querySettingsValue(key, "Ver", type, buffer, size), platform::kErrorMoreData);
    EXPECT_EQ(size, data.size());
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(buffer, Bytes(3, 0xEE));
}

TEST_F(SettingsSeamTest, MissingValueReportsNothing)
{
    const auto key = create();
    Bytes buffer(4, 0);
    std::uint32_t type = 99;
    std::uint32_t size = 99;
    EXPECT_EQ(platform::querySettingsValue(key, "Absent", type, buffer, size), platform::kErrorFileNotFound);
    EXPECT_EQ(type, platform::kRegNone);
    EXPECT_EQ(size, 0u);
}

TEST_F(SettingsSeamTest, ForeignRootsStaleHandlesAndControlBytesAreRefused)
{
    const auto key = create();
    platform::SettingsKeyHandle other = 0;
    EXPECT_EQ(platform::createSettingsKey(0x80000002u, kPath, other), platform::kErrorInvalidHandle);
    EXPECT_EQ(platform::setSettingsValue(key, "Bad\nName", platform::kRegSz, bytesOf("x")),
              platform::kErrorInvalidParameter);
    EXPECT_EQ(platform::closeSettingsKey(platform::kCurrentUserKey), platform::kErrorSuccess);
    EXPECT_EQ(platform::closeSettingsKey(0x1234), platform::kErrorInvalidHandle);

    ASSERT_EQ(platform::closeSettingsKey(key), platform::kErrorSuccess);
    m_keys.clear();
    EXPECT_EQ(platform::setSettingsValue(key, "Ver", platform::kRegSz, bytesOf("x")), platform::kErrorInvalidHandle);
    EXPECT_EQ(platform::closeSettingsKey(key), platform::kErrorInvalidHandle);
}

TEST(InstanceLockSeamTest, NameIsHeldUntilItsHolderGoesAway)
{
    std::random_device random;
    const std::string name = "Norvanta VPN seam test " + std::to_string(random());
    const std::string otherName = name + " other";
    {
        platform::InstanceLock first;
        ASSERT_EQ(first.acquire(name), platform::InstanceLock::Result::Acquired);
        EXPECT_EQ(first.acquire(name), platform::InstanceLock::Result::Acquired); // already its own

        platform::InstanceLock second;
        EXPECT_EQ(second.acquire(name), platform::InstanceLock::Result::HeldByOther);
        platform::InstanceLock unrelated;
        EXPECT_EQ(unrelated.acquire(otherName), platform::InstanceLock::Result::Acquired);
    }
    platform::InstanceLock later;
    EXPECT_EQ(later.acquire(name), platform::InstanceLock::Result::Acquired);
}

} // namespace
