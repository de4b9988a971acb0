#include "util/Base64Coder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string encoded(std::string_view raw)
{
    Base64Coder coder;
    coder.EncodeRange(raw.data(), raw.size());
    return std::string(coder.Base64Text(), coder.TextLength());
}

// The decoded text as callers read it: the raw buffer up to its first zero byte.
std::string decoded(std::string_view text)
{
    Base64Coder coder;
    coder.DecodeRange(text.data(), text.size());
    return coder.RawBytes();
}

struct Vector {
    const char* name;
    std::string raw;
    std::string text;
};

void PrintTo(const Vector& vector, std::ostream* out)
{
    *out << vector.name;
}

class Base64EncodeTest : public testing::TestWithParam<Vector> {};

TEST_P(Base64EncodeTest, EncodesToOneUnbrokenLine)
{
    EXPECT_EQ(encoded(GetParam().raw), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, Base64EncodeTest,
    testing::Values(Vector{"Empty", "", ""}, Vector{"OneByte", "a", "YQ=="}, Vector{"TwoBytes", "ab", "YWI="},
                    Vector{"ThreeBytes", "abc", "YWJj"}, Vector{"Rfc4648Foobar", "foobar", "Zm9vYmFy"},
                    Vector{"HighBitBytes", "\xff\xfe\xfd", "//79"},
                    Vector{"Cp949Text", "\xbe\xc6\xc0\xcc\xb5\xf0", "vsbAzLXw"},
                    Vector{"EmbeddedZero", std::string("a\0b", 3), "YQBi"},
                    Vector{"SixtyBytesStayOnOneLine", std::string(60, 'x'),
                           "eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4"}),
    [](const auto& info) { return std::string(info.param.name); });

class Base64DecodeTest : public testing::TestWithParam<Vector> {};

TEST_P(Base64DecodeTest, DecodesWhateverItIsGiven)
{
    EXPECT_EQ(decoded(GetParam().text), GetParam().raw);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, Base64DecodeTest,
    testing::Values(Vector{"Empty", "", ""}, Vector{"ThreeBytes", "abc", "YWJj"}, Vector{"PaddedOne", "a", "YQ=="},
                    Vector{"PaddedTwo", "ab", "YWI="}, Vector{"MissingPaddingOne", "a", "YQ"},
                    Vector{"MissingPaddingTwo", "ab", "YWI"}, Vector{"LineFeedInside", "abc", "YW\nJj"},
                    Vector{"SpacesInside", "abc", "Y W J j"}, Vector{"EverySkippedByte", "abc", "\aY\bW\tJ\nj\v\f\r "},
                    Vector{"CrLfBetweenGroups", "foobar", "Zm9v\r\nYmFy\r\n"},
                    Vector{"HighBitSetLikeClear", "abc", "\xd9\xd7\xca\xea"},
                    Vector{"OutsideAlphabetCountsAsPlus", "\xfb\xef\xbe", "*-.!"},
                    Vector{"PaddingFirstCountsAsSlash", "\xff\xf0", "==AA"},
                    Vector{"StopsAtFirstZeroByte", "a", "YQ==YWJj"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every value in every position of a group, with every remainder length, survives.
TEST(Base64CoderTest, RoundTripsEveryByteValue)
{
    std::string all;
    for (int value = 0; value < 256; ++value) {
        all += static_cast<char>(value);
    }
    for (std::size_t shift = 0; shift < 3; ++shift) {
        const std::string raw = all.substr(shift) + all.substr(0, shift);
        for (std::size_t length : {raw.size(), raw.size() - 1, raw.size() - 2}) {
            Base64Coder coder;
            coder.EncodeRange(raw.data(), length);
            const std::string text = coder.Base64Text();
            ASSERT_EQ(text.size(), (length + 2) / 3 * 4);
            coder.DecodeRange(text.data(), text.size());
            ASSERT_EQ(std::string(coder.RawBytes(), length), raw.substr(0, length));
        }
    }
}

TEST(Base64CoderTest, RawLengthCountsTrailingCharactersAsTheyStand)
{
    Base64Coder coder;
    const std::pair<std::string, std::size_t> cases[] = {
        {"YWJj", 3}, {"YWJjYQ==", 6}, {"YWJjYQ", 5}, {"YWJjYWI", 6}, {"Y", 1}};
    for (const auto& [text, length] : cases) {
        coder.DecodeRange(text.data(), text.size());
        EXPECT_EQ(coder.RawLength(), length) << text;
    }
}

// One coder serves both the ID and the password; a shorter second value must not show
// the tail of the first.
TEST(Base64CoderTest, ReusedCoderLeavesNoTailOfTheEarlierValue)
{
    Base64Coder coder;
    EXPECT_STREQ(coder.EncodeToOutput("a rather long user id", 0), "YSByYXRoZXIgbG9uZyB1c2VyIGlk");
    EXPECT_STREQ(coder.EncodeToOutput("pw", 0), "cHc=");
    EXPECT_STREQ(coder.RawBytes(), "pw");

    coder.DecodeRange("bG9uZ2VyIHRleHQ=", 16);
    EXPECT_STREQ(coder.RawBytes(), "longer text");
    coder.DecodeRange("YQ", 2);
    EXPECT_STREQ(coder.RawBytes(), "a");
    EXPECT_STREQ(coder.Base64Text(), "YQ");
    EXPECT_STREQ(coder.DecodeToOutput("eHl6"), "xyz");
}

struct Reservation {
    std::size_t first;
    std::size_t second;
    std::size_t capacity;
};

class Base64ReservationTest : public testing::TestWithParam<Reservation> {};

// Capacity is the next multiple of 4096 strictly above the largest request and never
// shrinks; the buffer is zero-filled and empty afterwards.
TEST_P(Base64ReservationTest, FollowsTheReservationRule)
{
    Base64Coder coder;
    coder.EncodeRange("abcdef", 6);
    coder.ReserveRaw(GetParam().first);
    coder.ReserveRaw(GetParam().second);
    EXPECT_EQ(coder.RawCapacity(), GetParam().capacity);
    EXPECT_EQ(coder.RawLength(), 0u);
    const std::string zeros(coder.RawCapacity(), '\0');
    EXPECT_EQ(std::string(coder.RawBytes(), coder.RawCapacity()), zeros);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Base64ReservationTest,
                         testing::Values(Reservation{0, 0, 4096}, Reservation{1, 1, 4096}, Reservation{4095, 0, 4096},
                                         Reservation{4096, 0, 8192}, Reservation{5000, 10, 8192},
                                         Reservation{10, 12288, 16384}));

TEST(Base64CoderTest, FreshCoderGivesEmptyTextsNotNull)
{
    Base64Coder coder;
    EXPECT_STREQ(coder.RawBytes(), "");
    EXPECT_STREQ(coder.Base64Text(), "");
    EXPECT_STREQ(coder.EncodeToOutput(nullptr, 0), "");
    EXPECT_STREQ(coder.DecodeToOutput(nullptr), "");
    EXPECT_EQ(coder.RawCapacity(), 0u);
}

TEST(Base64CoderTest, EmptyInputStillLeavesTerminatedBuffers)
{
    Base64Coder coder;
    EXPECT_STREQ(coder.EncodeToOutput("", 0), "");
    EXPECT_GT(coder.TextCapacity(), 0u);
    coder.DecodeRange("", 0);
    EXPECT_STREQ(coder.RawBytes(), "");
    EXPECT_GT(coder.RawCapacity(), 0u);
}

TEST(Base64CoderTest, NullInputLeavesBuffersAsTheyWere)
{
    Base64Coder coder;
    coder.EncodeNulTerminated("abc");
    coder.EncodeNulTerminated(nullptr);
    coder.DecodeNulTerminated(nullptr);
    coder.EncodeRange(nullptr, 5);
    coder.DecodeRange(nullptr, 5);
    EXPECT_STREQ(coder.EncodeToOutput(nullptr, 0), "YWJj");
    EXPECT_STREQ(coder.DecodeToOutput(nullptr), "abc");
}

// Inputs far beyond the first 4096-byte reservation grow both buffers correctly.
TEST(Base64CoderTest, RoundTripsAMegabyte)
{
    std::string raw(1 << 20, '\0');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<char>(i * 7 + 1);
    }
    Base64Coder coder;
    coder.EncodeRange(raw.data(), raw.size());
    const std::string text = coder.Base64Text();
    EXPECT_EQ(text.size(), (raw.size() + 2) / 3 * 4);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    coder.DecodeRange(text.data(), text.size());
    EXPECT_EQ(std::string(coder.RawBytes(), raw.size()), raw);
}

} // namespace
