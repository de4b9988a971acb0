#include "tests/support/TestSystem.h"

#include "platform/win32/WindowsApi.h"

#include <cstdlib>
#include <random>

namespace norvanta::testsupport {

void setEnvironment(const std::string& name, const std::optional<std::string>& value)
{
    // _putenv_s changes the C runtime's copy (getenv) and the process environment;
    // an empty value removes the variable.
    ::_putenv_s(name.c_str(), value ? value->c_str() : "");
    ::SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}

std::filesystem::path makeTemporaryDirectory(const std::string& prefix)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto path = std::filesystem::temp_directory_path()
                          / (prefix + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) {
            return path;
        }
    }
    std::abort();
}

void requestSimulatedLinkDrop()
{
    const std::string name = "Local\\Norvanta VPN sim drop " + std::to_string(::GetCurrentProcessId());
    if (const HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
        ::SetEvent(event);
        ::CloseHandle(event);
    }
}

const char* systemDialerFailureHint()
{
    return "NORVANTA_VPN_RAS=sim";
}

long processId()
{
    return static_cast<long>(::GetCurrentProcessId());
}

} // namespace norvanta::testsupport
