#include "ui/CFontStatic.h"

#include <gtest/gtest.h>

namespace {

using Style = CFontStatic::Style;

struct FlagCase {
    const char* name;
    unsigned char flags;
    bool bold;
    bool italic;
    bool underline;
    bool strikeOut;
    bool smooth;
    Qt::Alignment alignment;
};

class SetTextStyleTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(SetTextStyleTest, FlagBitsSetAttributesAndChooseTheAlignment)
{
    const FlagCase& c = GetParam();
    Style style;
    style.applyTextStyle(QStringLiteral("Face"), 12, QColor(0, 0, 255), c.flags);
    EXPECT_EQ(style.face, QStringLiteral("Face"));
    EXPECT_EQ(style.height, 12);
    EXPECT_EQ(style.textColor, QColor(0, 0, 255));
    EXPECT_EQ(style.bold, c.bold);
    EXPECT_EQ(style.italic, c.italic);
    EXPECT_EQ(style.underline, c.underline);
    EXPECT_EQ(style.strikeOut, c.strikeOut);
    EXPECT_EQ(style.smooth, c.smooth);
    EXPECT_EQ(style.alignment(), c.alignment);
    EXPECT_EQ(int(style.left) + int(style.centre) + int(style.right), 1);
}

INSTANTIATE_TEST_SUITE_P(
    ui, SetTextStyleTest,
    ::testing::Values(FlagCase{"bold_left_0x41", 0x41, true, false, false, false, false, Qt::AlignLeft},
                      FlagCase{"centre_0x20", 0x20, false, false, false, false, false, Qt::AlignHCenter},
                      FlagCase{"centre_wins_over_right_0xA0", 0xA0, false, false, false, false, false,
                               Qt::AlignHCenter},
                      FlagCase{"right_0x80", 0x80, false, false, false, false, false, Qt::AlignRight},
                      FlagCase{"every_attribute_0x1F", 0x1F, true, true, true, true, true, Qt::AlignLeft},
                      FlagCase{"bit_6_alone_means_nothing", 0x40, false, false, false, false, false, Qt::AlignLeft}),
    [](const auto& info) { return std::string(info.param.name); });

// A clear bit never switches an attribute off; only the alignment is chosen anew.
TEST(CFontStaticStyle, ClearBitsKeepEarlierAttributes)
{
    Style style;
    style.applyTextStyle(QStringLiteral("A"), 12, Qt::black, 0x41 | 0x02);
    style.applyTextStyle(QStringLiteral("B"), 9, Qt::black, 0x80);
    EXPECT_TRUE(style.bold);
    EXPECT_TRUE(style.italic);
    EXPECT_EQ(style.alignment(), Qt::AlignRight);
    style.applyTextStyle(QStringLiteral("B"), 9, Qt::black, 0x00);
    EXPECT_EQ(style.alignment(), Qt::AlignLeft);
    EXPECT_FALSE(style.right);
}

} // namespace
