// The Run value Windows reads at logon: this program, quoted, with --minimized.

#include "platform/Autostart.h"
#include "platform/Process.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using norvanta::platform::setStartsWithDesktop;

std::optional<std::wstring> runValue()
{
    std::vector<wchar_t> data(4096);
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Norvanta VPN",
                       RRF_RT_REG_SZ, &type, data.data(), &bytes)
        != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data.data());
}

TEST(AutostartRunValue, StartsThisProgramQuotedAndMinimized)
{
    ASSERT_TRUE(setStartsWithDesktop(true));
    const std::wstring expected =
        L"\"" + norvanta::platform::win32::wideFromUtf8(norvanta::platform::executablePath()) + L"\" --minimized";
    EXPECT_EQ(runValue(), expected);
    ASSERT_TRUE(setStartsWithDesktop(false));
    EXPECT_FALSE(runValue().has_value());
}

} // namespace
