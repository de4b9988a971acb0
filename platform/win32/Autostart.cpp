#include "platform/Autostart.h"

#include "platform/Process.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <string>

namespace norvanta::platform {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Norvanta VPN";

// The Run key of the current user, opened for `access`; closed when destroyed.
class RunKey {
public:
    explicit RunKey(REGSAM access)
    {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, access, nullptr, &m_key, nullptr)
            != ERROR_SUCCESS) {
            m_key = nullptr;
        }
    }
    ~RunKey()
    {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
        }
    }
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;

    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

bool startsWithDesktop()
{
    const RunKey key(KEY_QUERY_VALUE);
    return key.get() != nullptr
           && ::RegQueryValueExW(key.get(), kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool setStartsWithDesktop(bool on)
{
    const RunKey key(KEY_SET_VALUE);
    if (key.get() == nullptr) {
        return false;
    }
    if (!on) {
        const LONG result = ::RegDeleteValueW(key.get(), kValueName);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    const std::wstring executable = win32::wideFromUtf8(executablePath());
    if (executable.empty()) {
        return false;
    }
    // Quoted, as the path may hold spaces ("C:\Program Files\...").
    const std::wstring command = L"\"" + executable + L"\" --minimized";
    const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()), bytes)
           == ERROR_SUCCESS;
}

} // namespace norvanta::platform
