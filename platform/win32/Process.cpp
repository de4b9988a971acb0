#include "platform/Process.h"

#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <shellapi.h>

#include <vector>

namespace norvanta::platform {

std::string executablePath()
{
    // Paths may exceed MAX_PATH; grow until the whole name fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            return win32::utf8FromWide(std::wstring_view(path.data(), length));
        }
        path.resize(path.size() * 2);
    }
}

std::string executableDirectory()
{
    const std::string executable = executablePath();
    const std::size_t separator = executable.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : executable.substr(0, separator);
}

std::string programPath(const std::string& directory, const std::string& baseName)
{
    return directory + "\\" + baseName + ".exe";
}

const char* updateAdvice()
{
    return "새 설치 프로그램(norvanta-vpn-setup.exe)으로 업데이트해 주십시오.";
}

bool launchDetached(const std::string& path)
{
    // ShellExecuteEx rather than CreateProcess: an updater that asks for elevation in its
    // manifest gets the consent prompt instead of failing with ERROR_ELEVATION_REQUIRED.
    const std::wstring file = win32::wideFromUtf8(path);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&info)) {
        return false;
    }
    if (info.hProcess != nullptr) {
        ::CloseHandle(info.hProcess);
    }
    return true;
}

bool disableCoreDumps()
{
    // Windows writes no core files of its own; its error reporting keeps a dump only where
    // an administrator asked for local dumps. What stays in our hands: no crash dialog
    // that would keep the process, and the password in it, alive and inspectable.
    const UINT previous = ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    ::SetErrorMode(previous | SEM_NOGPFAULTERRORBOX);
    return true;
}

void preventSessionBusAutolaunch()
{
    // Windows has no session bus to start.
}

} // namespace norvanta::platform
