#include "platform/InstanceLock.h"

#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

namespace norvanta::platform {
namespace {

// Windows keeps kernel handles within 32 bits even for 64-bit processes, so the handle
// fits the int member the seam shares with the POSIX descriptor.
HANDLE handleOf(int stored)
{
    return LongToHandle(stored);
}

} // namespace

InstanceLock::~InstanceLock()
{
    if (m_fd != -1) {
        ::CloseHandle(handleOf(m_fd));
    }
}

std::string InstanceLock::markerPath(const std::string& name)
{
    // A named mutex without a "Global\" prefix lives in this logon session's namespace.
    return "Local\\" + name;
}

InstanceLock::Result InstanceLock::acquire(const std::string& name)
{
    if (m_fd != -1) {
        return Result::Acquired;
    }
    const std::wstring wideName = win32::wideFromUtf8(markerPath(name));
    // The system closes the handle when the process ends, however it ends, and the
    // mutex disappears with its last handle: a crashed client never blocks the next start.
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, wideName.c_str());
    if (mutex == nullptr) {
        return ::GetLastError() == ERROR_ACCESS_DENIED ? Result::HeldByOther : Result::Unavailable;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Result::HeldByOther;
    }
    m_fd = HandleToLong(mutex);
    return Result::Acquired;
}

} // namespace norvanta::platform
