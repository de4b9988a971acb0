// What the user reads about the link: only what the system told, in one fixed order, and
// byte counts that stay readable at every size.

#include "app/LinkDetailsText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using norvanta::app::describeLink;
using norvanta::app::formatByteCount;
using norvanta::platform::LinkDetails;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(LinkDetailsTextTest, ByteCountsAtTheEdgesOfEachUnit)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        {1024 * 1024 - 1, "1.0 MB"}, // never "1024.0 KB"
        {12 * 1024 * 1024 + 1, "12.0 MB"},
        {3'435'973'837ull, "3.2 GB"},
        {~0ull, "16777216.0 TB"},
    };
    for (const auto& [bytes, shown] : cases) {
        EXPECT_EQ(formatByteCount(bytes), shown) << bytes;
    }
}

TEST(LinkDetailsTextTest, OnlyWhatIsKnownIsShown)
{
    EXPECT_THAT(describeLink({}), IsEmpty());

    LinkDetails full;
    full.localAddress = "10.8.0.2";
    full.encryption = LinkDetails::Encryption::Mppe128;
    full.bytesSent = 2048;
    full.bytesReceived = 5 * 1024 * 1024;
    EXPECT_THAT(describeLink(full), ElementsAre("주소 10.8.0.2", "암호화 MPPE 128비트", "보냄 2.0 KB · 받음 5.0 MB"));

    // NetworkManager without a kernel interface for the address: no traffic, and MPPE of
    // a strength nobody reported.
    LinkDetails partial;
    partial.localAddress = "10.99.0.11";
    partial.encryption = LinkDetails::Encryption::Mppe;
    EXPECT_THAT(describeLink(partial), ElementsAre("주소 10.99.0.11", "암호화 MPPE"));

    LinkDetails plain;
    plain.encryption = LinkDetails::Encryption::None;
    plain.bytesReceived = 10;
    EXPECT_THAT(describeLink(plain), ElementsAre("암호화 없음", "받음 10 B"));
}

} // namespace
