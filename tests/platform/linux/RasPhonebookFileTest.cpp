#include "platform/ras/RasPhonebookFile.h"

#include "tests/ras/RasTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace norvanta::platform::ras;
using namespace norvanta::ras::testing;

EntrySettings vpnEntry(const std::string& phoneNumber = "")
{
    EntrySettings settings;
    settings.options = 0x0F100510;
    settings.type = 2;
    settings.redialCount = 3;
    settings.deviceType = "vpn";
    settings.localPhoneNumber = phoneNumber;
    return settings;
}

class RasPhonebookFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path path = dir.path() / "deep" / "Norvanta VPN" / "rasphone.pbk";
    RasPhonebookFile phonebook{path.string()};
};

TEST_F(RasPhonebookFileTest, WrittenEntryIsFoundIgnoringCase)
{
    ASSERT_EQ(phonebook.write("Norvanta VPN Service", vpnEntry("vpn.example")), 0u);

    EntrySettings found;
    ASSERT_EQ(phonebook.find("NORVANTA vpn SERVICE", found), 0u);
    EXPECT_EQ(found.options, 0x0F100510u);
    EXPECT_EQ(found.type, 2u);
    EXPECT_EQ(found.redialCount, 3u);
    EXPECT_EQ(found.deviceType, "vpn");
    EXPECT_EQ(found.localPhoneNumber, "vpn.example");
    EXPECT_EQ(phonebook.find("Other", found), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

class RasPhonebookValueTest : public RasPhonebookFileTest, public testing::WithParamInterface<const char*> {};

// Texts come back exactly as written, blanks and quotes at their ends included.
TEST_P(RasPhonebookValueTest, TextReadsBackExactly)
{
    EntrySettings written = vpnEntry(GetParam());
    written.deviceName = GetParam();
    ASSERT_EQ(phonebook.write("Norvanta VPN Service", written), 0u);
    EntrySettings found;
    ASSERT_EQ(phonebook.find("Norvanta VPN Service", found), 0u);
    EXPECT_EQ(found.localPhoneNumber, GetParam()) << readFile(path);
    EXPECT_EQ(found.deviceName, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Texts, RasPhonebookValueTest,
                         testing::Values("vpn.example", " leading", "trailing ", "\t both \t", "\"quoted\"", "'single'",
                                         "\"", "a = b", ""));

TEST_F(RasPhonebookFileTest, MissingFileHoldsNoEntry)
{
    EntrySettings found;
    EXPECT_EQ(phonebook.find("Norvanta VPN Service", found), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

// Sections and keys the client does not know belong to someone else and survive a rewrite.
TEST_F(RasPhonebookFileTest, RewriteKeepsEverythingElse)
{
    ASSERT_EQ(phonebook.write("Norvanta VPN Service", vpnEntry()), 0u);
    std::string content = "[Office]\r\nPhoneNumber=office.example\r\nCustomKey=1\r\n\r\n" + readFile(path)
                          + "\n[Home]\nPhoneNumber=home.example\n";
    writeFile(path, content);

    ASSERT_EQ(phonebook.write("norvanta vpn service", vpnEntry("new.example")), 0u);

    const std::string rewritten = readFile(path);
    EXPECT_EQ(rewritten.find("[Office]\r\nPhoneNumber=office.example\r\nCustomKey=1\r\n"), 0u);
    EXPECT_NE(rewritten.find("[Home]\nPhoneNumber=home.example\n"), std::string::npos);
    EXPECT_EQ(rewritten.find("[Norvanta VPN Service]"), std::string::npos);
    EntrySettings found;
    ASSERT_EQ(phonebook.find("Norvanta VPN Service", found), 0u);
    EXPECT_EQ(found.localPhoneNumber, "new.example");
}

TEST_F(RasPhonebookFileTest, FileAndDirectoryArePrivate)
{
    ASSERT_EQ(phonebook.write("Norvanta VPN Service", vpnEntry()), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(path.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(RasPhonebookFileTest, LineBreakInAValueIsRefused)
{
    EXPECT_EQ(phonebook.write("Norvanta VPN Service", vpnEntry("a\n[Injected]")), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A phonebook that cannot be read is never replaced: its other entries would be lost.
TEST_F(RasPhonebookFileTest, UnreadableFileIsNotOverwritten)
{
    std::filesystem::create_directories(path); // a directory where the file should be
    EXPECT_EQ(phonebook.write("Norvanta VPN Service", vpnEntry()), ERROR_CANNOT_WRITE_PHONEBOOK);
    EntrySettings found;
    EXPECT_EQ(phonebook.find("Norvanta VPN Service", found), ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(RasPhonebookDefaultPathTest, FollowsXdgConfigHomeOnlyWhenAbsolute)
{
    {
        ScopedEnv config{"XDG_CONFIG_HOME", "/somewhere/config"};
        EXPECT_EQ(RasPhonebookFile::defaultPath(), "/somewhere/config/Norvanta VPN/rasphone.pbk");
    }
    ScopedEnv relative{"XDG_CONFIG_HOME", "relative/config"};
    ScopedEnv home{"HOME", "/home/someone"};
    EXPECT_EQ(RasPhonebookFile::defaultPath(), "/home/someone/.config/Norvanta VPN/rasphone.pbk");
}

} // namespace
