#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

using norvanta::platform::cp949FromUtf8;
using norvanta::platform::exactCp949FromUtf8;
using norvanta::platform::exactUtf8FromCp949;
using norvanta::platform::utf8FromCp949;

struct RoundTrip {
    const char* name;
    std::string utf8;
    std::string cp949;
};

class CodePageRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

// The extended syllables are where the IBM code page of the same number goes wrong.
TEST_P(CodePageRoundTripTest, BothDirectionsAgreeWithTheWindowsCodePage)
{
    EXPECT_EQ(cp949FromUtf8(GetParam().utf8), GetParam().cp949);
    EXPECT_EQ(utf8FromCp949(GetParam().cp949), GetParam().utf8);
    EXPECT_EQ(exactCp949FromUtf8(GetParam().utf8), GetParam().cp949);
    EXPECT_EQ(exactUtf8FromCp949(GetParam().cp949), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePageRoundTripTest,
                         ::testing::Values(RoundTrip{"Ascii", "demo 1.2.3.4", "demo 1.2.3.4"},
                                           RoundTrip{"DeleteStaysItself", "\x7f", "\x7f"},
                                           RoundTrip{"BasicSyllables", "서울 2", "\xBC\xAD\xBF\xEF 2"},
                                           RoundTrip{"ExtendedSyllables", "똠햏", "\x8C\x63\xC1\x64"},
                                           RoundTrip{"ExtendedAndBasic", "갂힝", "\x81\x41\xC8\xFE"},
                                           RoundTrip{"Empty", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Lenient {
    const char* name;
    std::string input;
    std::string expected;
};

class CodePageToCp949Test : public ::testing::TestWithParam<Lenient> {};

TEST_P(CodePageToCp949Test, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(cp949FromUtf8(GetParam().input), GetParam().expected);
    EXPECT_EQ(exactCp949FromUtf8(GetParam().input), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePageToCp949Test,
                         ::testing::Values(Lenient{"LatinAccent", "caf\xC3\xA9!", "caf?!"},
                                           Lenient{"Emoji",
                                                   "a\xF0\x9F\x98\x80"
                                                   "b",
                                                   "a?b"},
                                           Lenient{"InvalidUtf8Lead",
                                                   "a\xFF"
                                                   "b",
                                                   "a?b"},
                                           Lenient{"TruncatedUtf8", "\xEB\x98", "?"}),
                         [](const auto& info) { return std::string(info.param.name); });

class CodePageFromCp949Test : public ::testing::TestWithParam<Lenient> {};

TEST_P(CodePageFromCp949Test, InvalidBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(utf8FromCp949(GetParam().input), GetParam().expected);
    EXPECT_EQ(exactUtf8FromCp949(GetParam().input), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePageFromCp949Test,
                         ::testing::Values(Lenient{"LoneLeadAtTheEnd", "a\xB1", "a\xEF\xBF\xBD"},
                                           Lenient{"InvalidTrail", "\x81\x20z", "\xEF\xBF\xBD z"},
                                           Lenient{"UndefinedByte", "\xFF\xB1\xE8", "\xEF\xBF\xBD김"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
