// A second start reaching the running instance: only a listening holder of the same name
// takes the request, and a holder that ended leaves nothing that takes one.

#include "platform/InstanceChannel.h"
#include "tests/support/Patience.h"
#include "tests/support/TempSettingsHome.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

namespace {

using norvanta::platform::InstanceChannel;
using norvanta::testsupport::eventually;

class InstanceChannelTest : public ::testing::Test {
protected:
    InstanceChannelTest() { norvanta::testsupport::setEnvironment("XDG_RUNTIME_DIR", m_home.path().string()); }
    ~InstanceChannelTest() override { norvanta::testsupport::setEnvironment("XDG_RUNTIME_DIR", std::nullopt); }

    std::unique_ptr<InstanceChannel> holder()
    {
        auto channel = std::make_unique<InstanceChannel>([this] { ++m_requests; });
        EXPECT_TRUE(channel->listen(m_name));
        return channel;
    }

    // Windows finds a holder's window among all of this desktop's: the suite's other
    // programs, run beside this one, must not hold the same name.
    const std::string m_name = "Norvanta VPN channel test " + std::to_string(norvanta::testsupport::processId());
    const norvanta::testsupport::TempSettingsHome m_home;
    std::atomic<int> m_requests{0};
};

TEST_F(InstanceChannelTest, HolderTakesEveryRequestForItsName)
{
    const auto channel = holder();
    for (int asked = 1; asked <= 3; ++asked) {
        ASSERT_TRUE(InstanceChannel::askToShow(m_name));
        EXPECT_TRUE(eventually([&] { return m_requests == asked; })) << m_requests << " of " << asked;
    }
    EXPECT_FALSE(InstanceChannel::askToShow("Norvanta VPN another name"));
    EXPECT_EQ(m_requests, 3);
}

TEST_F(InstanceChannelTest, EndedHolderTakesNothingAndTheNextOneTakesOver)
{
    EXPECT_FALSE(InstanceChannel::askToShow(m_name)) << "nobody holds the name yet";
    holder().reset();
    EXPECT_FALSE(InstanceChannel::askToShow(m_name)) << "the holder has ended";
    const auto next = holder();
    ASSERT_TRUE(InstanceChannel::askToShow(m_name));
    EXPECT_TRUE(eventually([&] { return m_requests == 1; }));
}

} // namespace
