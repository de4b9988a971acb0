#include "platform/InstanceChannel.h"

#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <future>
#include <system_error>
#include <thread>
#include <utility>

namespace norvanta::platform {
namespace {

// Every holder's message-only window is of this class; its title is the lock's name, which is
// how a second start finds the holder of the same name.
constexpr wchar_t kWindowClass[] = L"NorvantaVPNInstanceChannel";

UINT showRequestMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"NorvantaVPN.ShowWindow");
    return message;
}

LRESULT CALLBACK channelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == showRequestMessage() && message != 0) {
        const auto* onShowRequest =
            reinterpret_cast<const std::function<void()>*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (onShowRequest != nullptr) {
            (*onShowRequest)();
        }
        return 0;
    }
    if (message == WM_CLOSE) {
        ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A second start that runs at a lower integrity level than this one (this one elevated,
// that one started from the shell) may post the request all the same. The filter exists
// from Windows 7 on; the build targets Windows XP's headers, so it is looked up.
void acceptFromLowerIntegrity(HWND window, UINT message)
{
    using MessageFilter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    constexpr DWORD kAllow = 1; // MSGFLT_ALLOW
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const FARPROC found = user32 != nullptr ? ::GetProcAddress(user32, "ChangeWindowMessageFilterEx") : nullptr;
    if (found != nullptr) {
        reinterpret_cast<MessageFilter>(reinterpret_cast<void*>(found))(window, message, kAllow, nullptr);
    }
}

bool registerWindowClass()
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = channelWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

struct InstanceChannel::Listener {
    std::thread thread;
    HWND window = nullptr;

    ~Listener()
    {
        if (thread.joinable()) {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            thread.join();
        }
    }
};

InstanceChannel::InstanceChannel(std::function<void()> onShowRequest) : m_onShowRequest(std::move(onShowRequest)) {}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen(const std::string& name)
{
    if (m_listener) {
        return true;
    }
    if (showRequestMessage() == 0 || !registerWindowClass()) {
        return false;
    }
    auto listener = std::make_unique<Listener>();
    std::promise<HWND> made;
    auto window = made.get_future();
    const std::wstring title = win32::wideFromUtf8(name);
    // A window of its own thread: its messages arrive whatever the window's thread does.
    // Message-only: it never shows, needs no display driver, and another process still
    // finds it among the message-only windows by its class and title.
    // The promise goes with the thread: it may still be inside set_value when listen() returns.
    auto run = [made = std::move(made), title, onShowRequest = &m_onShowRequest]() mutable {
        HWND created = ::CreateWindowExW(0, kWindowClass, title.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
        if (created != nullptr) {
            ::SetWindowLongPtrW(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(onShowRequest));
            acceptFromLowerIntegrity(created, showRequestMessage());
        }
        made.set_value(created);
        if (created == nullptr) {
            return;
        }
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::DispatchMessageW(&message);
        }
    };
    try {
        listener->thread = std::thread(std::move(run));
    } catch (const std::system_error&) {
        return false;
    }
    listener->window = window.get();
    if (listener->window == nullptr) {
        listener->thread.join();
        return false;
    }
    m_listener = std::move(listener);
    return true;
}

bool InstanceChannel::askToShow(const std::string& name)
{
    const UINT message = showRequestMessage();
    const HWND holder = ::FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, win32::wideFromUtf8(name).c_str());
    if (message == 0 || holder == nullptr) {
        return false;
    }
    // Windows lets a process bring its window to the front only when the one in front
    // allows it; this start is in front now and hands that over to the holder.
    DWORD holderProcess = 0;
    ::GetWindowThreadProcessId(holder, &holderProcess);
    ::AllowSetForegroundWindow(holderProcess);
    return ::PostMessageW(holder, message, 0, 0) != 0;
}

} // namespace norvanta::platform
