#include "ui/Cp949.h"

#include <gtest/gtest.h>

namespace {

// The widgets' side must use the Windows code page too: Qt's own codec of that name maps
// the extended syllables to other characters.
TEST(Cp949Test, WidgetTextUsesTheWindowsCodePage)
{
    EXPECT_EQ(norvanta::ui::toCp949(QString::fromUtf8("똠햏é")), "\x8C\x63\xC1\x64?");
    EXPECT_EQ(norvanta::ui::fromCp949("\x8C\x63\xC1\x64"), QString::fromUtf8("똠햏"));
}

} // namespace
