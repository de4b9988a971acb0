#include "app/UpdateCheck.h"
#include "tests/support/TempSettingsHome.h"
#include "tools/devservice/DevService.h"
#include "util/CRegistryEx.h"

#include <gtest/gtest.h>

using norvanta::testsupport::TempSettingsHome;

namespace {

using norvanta::app::CheckForUpdate;
using norvanta::app::UpdateOutcome;
using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;
using norvanta::tools::Misbehaviour;

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_service.start()); }

    void record(const std::string& version)
    {
        CRegistryEx store;
        ASSERT_TRUE(store.Create());
        ASSERT_TRUE(store.WriteString("Ver", version));
    }

    std::string recorded()
    {
        CRegistryEx store;
        std::string version = "<none>";
        if (store.Open()) {
            store.ReadString("Ver", version);
        }
        return version;
    }

    UpdateOutcome check(bool launchSucceeds = true)
    {
        norvanta::app::UpdateCheckSetup setup{m_service.url("/update/Update_Ver.txt"), "/opt/norvanta/Norvanta_Update",
                                              [this, launchSucceeds](const std::string& path) {
                                                  m_launched.push_back(path);
                                                  return launchSucceeds;
                                              }};
        CRegistryEx kept;
        return CheckForUpdate(kept, setup);
    }

    TempSettingsHome m_home;
    DevService m_service{DevServiceConfig{"<list/>", "1.0.4"}};
    std::vector<std::string> m_launched;
};

TEST_F(UpdateCheckTest, SameVersionOpensTheDialogAndWritesNothing)
{
    record("1.0.4");
    EXPECT_EQ(check(), UpdateOutcome::RunDialog);
    EXPECT_TRUE(m_launched.empty());
    EXPECT_EQ(recorded(), "1.0.4");
}

TEST_F(UpdateCheckTest, NewVersionStartsTheUpdaterThenRecordsIt)
{
    record("1.0.3");
    EXPECT_EQ(check(), UpdateOutcome::UpdaterLaunched);
    EXPECT_EQ(m_launched, (std::vector<std::string>{"/opt/norvanta/Norvanta_Update"}));
    EXPECT_EQ(recorded(), "1.0.4");
    EXPECT_NE(m_service.lastRequest().find("\r\n\r\ncs/update/ver.php"), std::string::npos);
}

// Without a settings key yet, the version is still recorded, so the next start does
// not hand over again.
TEST_F(UpdateCheckTest, FreshInstallRecordsTheVersionItHandedOverFor)
{
    EXPECT_EQ(check(), UpdateOutcome::UpdaterLaunched);
    EXPECT_EQ(recorded(), "1.0.4");
    EXPECT_EQ(check(), UpdateOutcome::RunDialog);
    EXPECT_EQ(m_launched.size(), 1u);
}

TEST_F(UpdateCheckTest, UpdaterThatCannotStartLeavesTheVersionUnrecorded)
{
    record("1.0.3");
    EXPECT_EQ(check(false), UpdateOutcome::RunDialog);
    EXPECT_EQ(recorded(), "1.0.3");
}

TEST_F(UpdateCheckTest, AnswersWithout200OkNeverHandOver)
{
    m_service.setMisbehaviour(Misbehaviour::NotFound);
    EXPECT_EQ(check(), UpdateOutcome::RunDialog);
    norvanta::app::UpdateCheckSetup unreachable{"http://127.0.0.1:1/update/Update_Ver.txt", "/x",
                                                [this](const std::string& path) {
                                                    m_launched.push_back(path);
                                                    return true;
                                                }};
    CRegistryEx kept;
    EXPECT_EQ(CheckForUpdate(kept, unreachable), UpdateOutcome::RunDialog);
    EXPECT_TRUE(m_launched.empty());
}

TEST_F(UpdateCheckTest, EmptyVersionEqualsNothingRecorded)
{
    m_service.setRawAnswer("HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(check(), UpdateOutcome::RunDialog);
}

} // namespace
