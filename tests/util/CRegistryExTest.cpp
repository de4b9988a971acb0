#include "util/CRegistryEx.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;
namespace platform = norvanta::platform;

// Every test gets its own empty configuration home.
class CRegistryExTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        m_home =
            fs::temp_directory_path() / ("norvanta-registry-" + std::to_string(random()) + std::to_string(random()));
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

TEST_F(CRegistryExTest, FirstRunFindsNothingAndLeavesDefaults)
{
    CRegistryEx store;
    EXPECT_FALSE(store.Open());
    EXPECT_EQ(store.LastResult(), platform::kErrorFileNotFound);
    std::uint32_t saveId = 0;
    std::string userId;
    EXPECT_FALSE(store.ReadDword("UserIDSave", saveId));
    EXPECT_FALSE(store.ReadString("UserID", userId));
    EXPECT_EQ(saveId, 0u);
    EXPECT_EQ(userId, "");
    EXPECT_FALSE(fs::exists(m_home / "Norvanta VPN")) << "reading must not create anything";
}

TEST_F(CRegistryExTest, ConstructionStateAndKeyPath)
{
    CRegistryEx store;
    EXPECT_EQ(store.KeyHandle(), platform::kCurrentUserKey);
    EXPECT_EQ(store.KeyPath(), "");
    store.Create();
    EXPECT_EQ(store.KeyPath(), "") << "only Open records the path";
    store.Open();
    EXPECT_EQ(store.KeyPath(), "SOFTWARE\\Norvanta VPN");
}

TEST_F(CRegistryExTest, WritesWithoutAnOpenKeyFailAndStoreNothing)
{
    CRegistryEx store;
    EXPECT_FALSE(store.WriteString("Ver", "1.0.3"));
    EXPECT_EQ(store.LastResult(), platform::kErrorInvalidHandle);
    EXPECT_FALSE(fs::exists(settingsFile()));
}

// The save sequence: open, else create, then write; a later run reads every value back.
TEST_F(CRegistryExTest, CreatedValuesReadBackInALaterStore)
{
    {
        CRegistryEx store;
        ASSERT_FALSE(store.Open());
        ASSERT_TRUE(store.Create());
        EXPECT_TRUE(store.WriteString("UserID", "dGVzdA=="));
        EXPECT_TRUE(store.WriteDword("UserIDSave", 1));
        EXPECT_TRUE(store.WriteDword("UserPWSave", 0xFFFFFFFFu));
        EXPECT_TRUE(store.WriteString("Ver", ""));
    }
    CRegistryEx store;
    ASSERT_TRUE(store.Open());
    std::string userId;
    std::string version = "preset";
    std::uint32_t saveId = 0;
    std::uint32_t savePw = 0;
    EXPECT_TRUE(store.ReadString("UserID", userId));
    EXPECT_TRUE(store.ReadString("Ver", version));
    EXPECT_TRUE(store.ReadDword("UserIDSave", saveId));
    EXPECT_TRUE(store.ReadDword("userpwsave", savePw)) << "value names ignore case";
    EXPECT_EQ(userId, "dGVzdA==");
    EXPECT_EQ(version, "");
    EXPECT_EQ(saveId, 1u);
    EXPECT_EQ(savePw, 0xFFFFFFFFu);
}

TEST_F(CRegistryExTest, LastCallFieldsFollowEachCall)
{
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    EXPECT_EQ(store.LastType(), 0u);
    EXPECT_EQ(store.LastSize(), 0u);

    ASSERT_TRUE(store.WriteString("Ver", "1.0.3"));
    EXPECT_EQ(store.LastType(), platform::kRegSz);
    EXPECT_EQ(store.LastSize(), 6u) << "a text of length n is stored as n + 1 bytes";

    ASSERT_TRUE(store.WriteDword("UserIDSave", 1));
    EXPECT_EQ(store.LastType(), platform::kRegDword);
    EXPECT_EQ(store.LastSize(), 4u);

    std::string text;
    ASSERT_TRUE(store.ReadString("Ver", text));
    EXPECT_EQ(store.LastType(), platform::kRegSz);
    EXPECT_EQ(store.LastSize(), 6u);

    EXPECT_FALSE(store.ReadString("Missing", text));
    EXPECT_EQ(store.LastResult(), platform::kErrorFileNotFound);
    EXPECT_EQ(store.LastType(), 0u);
    EXPECT_EQ(store.LastSize(), 0u);
    EXPECT_EQ(text, "1.0.3");

    ASSERT_TRUE(store.Open());
    EXPECT_EQ(store.LastResult(), platform::kErrorSuccess);
    EXPECT_EQ(store.LastSize(), 0u);
}

struct Boundary {
    std::size_t length; // characters, the NUL comes on top
    bool readable;
};

class CRegistryExBoundaryTest : public CRegistryExTest, public testing::WithParamInterface<Boundary> {};

// 1023 bytes including the NUL is the longest string a read accepts.
TEST_P(CRegistryExBoundaryTest, LongStringsReadWholeOrNotAtAll)
{
    const std::string value(GetParam().length, 'Q');
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    ASSERT_TRUE(store.WriteString("UserPW", value));
    EXPECT_EQ(store.LastSize(), GetParam().length + 1);

    std::string text = "untouched";
    EXPECT_EQ(store.ReadString("UserPW", text), GetParam().readable);
    EXPECT_EQ(store.LastSize(), GetParam().length + 1);
    if (GetParam().readable) {
        EXPECT_EQ(text, value);
    } else {
        EXPECT_EQ(store.LastResult(), platform::kErrorMoreData);
        EXPECT_EQ(text, "untouched");
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, CRegistryExBoundaryTest,
                         testing::Values(Boundary{1021, true}, Boundary{1022, true}, Boundary{1023, false},
                                         Boundary{5000, false}));

struct WrongType {
    const char* name;
    std::string stored; // written with WriteString
    bool readable;
    std::uint32_t expected; // after presetting 0xAAAAAAAA
};

class CRegistryExWrongTypeTest : public CRegistryExTest, public testing::WithParamInterface<WrongType> {};

// A string read as a number: up to 4 bytes land in the number's low bytes and the
// rest of the preset stays; longer strings fail.
TEST_P(CRegistryExWrongTypeTest, StringReadAsNumber)
{
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    ASSERT_TRUE(store.WriteString("UserIDSave", GetParam().stored));
    std::uint32_t value = 0xAAAAAAAAu;
    EXPECT_EQ(store.ReadDword("UserIDSave", value), GetParam().readable);
    EXPECT_EQ(value, GetParam().expected);
    EXPECT_EQ(store.LastType(), platform::kRegSz);
}

INSTANTIATE_TEST_SUITE_P(Values, CRegistryExWrongTypeTest,
                         testing::Values(WrongType{"Empty", "", true, 0xAAAAAA00u},
                                         WrongType{"TwoChars", "ab", true, 0xAA006261u},
                                         WrongType{"ThreeChars", "abc", true, 0x00636261u},
                                         WrongType{"FourChars", "abcd", false, 0xAAAAAAAAu}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CRegistryExTest, NumberReadAsStringGivesItsBytesUpToTheFirstZero)
{
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    ASSERT_TRUE(store.WriteDword("UserID", 0x00004241u));
    std::string text;
    EXPECT_TRUE(store.ReadString("UserID", text));
    EXPECT_EQ(text, "AB");
    EXPECT_EQ(store.LastType(), platform::kRegDword);
    EXPECT_EQ(store.LastSize(), 4u);
}

TEST_F(CRegistryExTest, QuotesBackslashesAndCp949SurviveTheFile)
{
    const std::string tricky = "say \"hi\" C:\\dir\\ \xbe\xc8\xb3\xe7 \\\"";
    {
        CRegistryEx store;
        ASSERT_TRUE(store.Create());
        ASSERT_TRUE(store.WriteString("Ver", tricky));
        ASSERT_TRUE(store.WriteString("Line", "two\r\nlines\ttab"));
    }
    CRegistryEx store;
    ASSERT_TRUE(store.Open());
    std::string text;
    ASSERT_TRUE(store.ReadString("Ver", text));
    EXPECT_EQ(text, tricky);
    ASSERT_TRUE(store.ReadString("Line", text));
    EXPECT_EQ(text, "two\r\nlines\ttab");
}

TEST_F(CRegistryExTest, CreateOnAnExistingKeyKeepsItsValues)
{
    {
        CRegistryEx store;
        ASSERT_TRUE(store.Create());
        ASSERT_TRUE(store.WriteString("Ver", "1.0.3"));
    }
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    std::string version;
    EXPECT_TRUE(store.ReadString("Ver", version));
    EXPECT_EQ(version, "1.0.3");
}

// Start-up keeps one store open for the whole run while the dialog saves through another.
TEST_F(CRegistryExTest, TwoStoresCanBeOpenAtOnce)
{
    CRegistryEx creator;
    ASSERT_TRUE(creator.Create());
    CRegistryEx startup;
    ASSERT_TRUE(startup.Open());
    CRegistryEx dialog;
    ASSERT_TRUE(dialog.Open());
    EXPECT_NE(startup.KeyHandle(), dialog.KeyHandle());
    ASSERT_TRUE(dialog.WriteString("UserID", "YQ=="));
    std::string userId;
    EXPECT_TRUE(startup.ReadString("UserID", userId));
    EXPECT_EQ(userId, "YQ==");
}

TEST_F(CRegistryExTest, DestructionClosesTheKey)
{
    platform::SettingsKeyHandle handle = 0;
    {
        CRegistryEx store;
        ASSERT_TRUE(store.Create());
        handle = store.KeyHandle();
    }
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::uint8_t buffer[4];
    EXPECT_EQ(platform::querySettingsValue(handle, "Ver", type, buffer, size), platform::kErrorInvalidHandle);
    EXPECT_EQ(platform::closeSettingsKey(handle), platform::kErrorInvalidHandle);
}

TEST_F(CRegistryExTest, ReopeningReleasesTheEarlierKey)
{
    CRegistryEx store;
    ASSERT_TRUE(store.Create());
    const auto first = store.KeyHandle();
    ASSERT_TRUE(store.Open());
    EXPECT_NE(store.KeyHandle(), first);
    EXPECT_EQ(platform::closeSettingsKey(first), platform::kErrorInvalidHandle);
}

} // namespace
