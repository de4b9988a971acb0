#include "app/ConnectedTime.h"
#include "app/SavedCredentials.h"
#include "tests/support/TempSettingsHome.h"
#include "util/CRegistryEx.h"

#include <gtest/gtest.h>

#include <cstdint>

using norvanta::testsupport::TempSettingsHome;

namespace {

using namespace norvanta::app;

std::string storedString(const char* name)
{
    CRegistryEx store;
    std::string value = "<missing>";
    if (store.Open()) {
        store.ReadString(name, value);
    }
    return value;
}

std::uint32_t storedDword(const char* name)
{
    CRegistryEx store;
    std::uint32_t value = 99;
    if (store.Open()) {
        store.ReadDword(name, value);
    }
    return value;
}

TEST(SavedCredentials, FirstRunRestoresNothing)
{
    TempSettingsHome home;
    EXPECT_FALSE(RestoreCredentials().has_value());
}

TEST(SavedCredentials, IdOnlyIsStoredAsBase64AndRestoredWithoutPassword)
{
    TempSettingsHome home;
    SaveCredentials("test", "secret", 1, 0);
    EXPECT_EQ(storedString("UserID"), "dGVzdA==");
    EXPECT_EQ(storedDword("UserIDSave"), 1u);
    EXPECT_EQ(storedDword("UserPWSave"), 0u);
    EXPECT_EQ(storedString("UserPW"), "<missing>");

    const auto restored = RestoreCredentials();
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->userId, "test");
    EXPECT_EQ(restored->password, "");
}

TEST(SavedCredentials, IdIsWrittenEvenWhenNotToBeRestored)
{
    TempSettingsHome home;
    SaveCredentials("\xC8\xAB\xB1\xE6\xB5\xBF", "pw", 0, 0);
    EXPECT_EQ(storedString("UserID"), "yKux5rW/");
    const auto restored = RestoreCredentials();
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->saveId, 0);
    EXPECT_EQ(restored->userId, "");
}

TEST(SavedCredentials, BothRememberedRoundTrip)
{
    TempSettingsHome home;
    SaveCredentials("user", "p@ss word", 1, 1);
    const auto restored = RestoreCredentials();
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->userId, "user");
    EXPECT_EQ(restored->password, "p@ss word");
}

// Unticking the box is the user asking the client to forget the password: no trace of
// the earlier one may stay in the file.
TEST(SavedCredentials, UncheckedPasswordErasesTheEarlierOne)
{
    TempSettingsHome home;
    SaveCredentials("user", "old", 1, 1);
    SaveCredentials("user", "new", 1, 0);
    EXPECT_EQ(storedString("UserPW"), "<missing>");
    EXPECT_EQ(home.settingsText().find("b2xk"), std::string::npos);
    EXPECT_EQ(storedDword("UserPWSave"), 0u);
    EXPECT_EQ(RestoreCredentials()->password, "");
}

TEST(SaveBoxToggle, RememberedPasswordImpliesRememberedId)
{
    struct Case {
        SaveBox toggled;
        int newState, saveId, savePassword, wantId, wantPassword;
    };
    const Case cases[] = {
        {SaveBox::Id, 0, 0, 1, 0, 0},       // unchecking the ID unchecks the password
        {SaveBox::Password, 1, 0, 1, 1, 1}, // checking the password checks the ID
        {SaveBox::Id, 1, 1, 0, 1, 0},       // checking the ID alone changes nothing else
        {SaveBox::Password, 0, 1, 0, 1, 0}, // unchecking the password keeps the ID
    };
    for (const Case& c : cases) {
        int saveId = c.saveId;
        int savePassword = c.savePassword;
        applySaveBoxToggle(c.toggled, c.newState, saveId, savePassword);
        EXPECT_EQ(saveId, c.wantId);
        EXPECT_EQ(savePassword, c.wantPassword);
    }
}

TEST(ConnectedTime, FormatsHoursMinutesSecondsWithMinimumWidth)
{
    EXPECT_EQ(formatConnectedTime(59), " 0 시간 :  0 분 : 59 초");
    EXPECT_EQ(formatConnectedTime(60), " 0 시간 :  1 분 :  0 초");
    EXPECT_EQ(formatConnectedTime(3600), " 1 시간 :  0 분 :  0 초");
    EXPECT_EQ(formatConnectedTime(3725), " 1 시간 :  2 분 :  5 초");
    EXPECT_EQ(formatConnectedTime(100 * 3600), "100 시간 :  0 분 :  0 초");
}

} // namespace
