#include "platform/SettingsFile.h"

#include "platform/SettingsKey.h"
#include "platform/common/SettingsFileSystem.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

namespace norvanta::platform {
namespace {

// Windows keeps kernel handles within 32 bits, so the handle fits the int member the seam
// shares with the POSIX descriptor.
HANDLE handleOf(int stored)
{
    return LongToHandle(stored);
}

// Most Windows errors are already the codes this seam speaks; the few others are folded
// into the nearest of them.
long translate(DWORD error)
{
    switch (error) {
    case ERROR_SUCCESS:
        return kErrorSuccess;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return kErrorFileNotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_WRITE_PROTECT:
    case ERROR_DISK_FULL:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_LOCK_VIOLATION:
        return static_cast<long>(error);
    case ERROR_OUTOFMEMORY:
        return kErrorNotEnoughMemory;
    case ERROR_HANDLE_DISK_FULL:
        return kErrorDiskFull;
    case ERROR_SHARING_VIOLATION:
        return kErrorLockViolation;
    default:
        return kErrorRegistryIoFailed;
    }
}

long lastError()
{
    return translate(::GetLastError());
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (valid()) {
            ::CloseHandle(m_handle);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Closes now and reports whether the close itself failed (buffered data lost).
    bool closeChecked() { return ::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE m_handle;
};

// The roaming application data folder: settings follow the user, as HKCU does.
std::optional<std::string> applicationDataHome()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::nullopt;
    }
    return win32::utf8FromWide(path);
}

std::optional<std::string> findConfigHome()
{
    if (std::string path = settings_system::configHomeOverride(); !path.empty()) {
        return path;
    }
    return applicationDataHome();
}

long makeDirectories(const std::string& path)
{
    const std::wstring wide = win32::wideFromUtf8(path);
    for (std::size_t separator = wide.find_first_of(L"\\/", 3);;
         separator = wide.find_first_of(L"\\/", separator + 1)) {
        const std::wstring prefix = wide.substr(0, separator);
        if (!::CreateDirectoryW(prefix.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return lastError();
        }
        if (separator == std::wstring::npos) {
            return kErrorSuccess;
        }
    }
}

long writeAll(HANDLE file, std::string_view text)
{
    while (!text.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        if (!::WriteFile(file, text.data(), chunk, &written, nullptr)) {
            return lastError();
        }
        text.remove_prefix(written);
    }
    return kErrorSuccess;
}

std::string utcStamp()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04u%02u%02uT%02u%02u%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

} // namespace

long settings_system::openLockFile(const std::string& path, int& lock)
{
    const HANDLE file = ::CreateFileW(win32::wideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    lock = HandleToLong(file);
    return kErrorSuccess;
}

settings_system::LockAttempt settings_system::tryLock(int lock, long& error)
{
    OVERLAPPED range{};
    if (::LockFileEx(handleOf(lock), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        return LockAttempt::Taken;
    }
    if (::GetLastError() == ERROR_LOCK_VIOLATION) {
        return LockAttempt::Busy;
    }
    error = lastError();
    return LockAttempt::Failed;
}

void settings_system::closeLockFile(int lock)
{
    ::CloseHandle(handleOf(lock)); // closing the handle releases the byte-range lock
}

std::optional<std::string> SettingsFile::configHome()
{
    auto home = findConfigHome();
    while (home && home->size() > 3 && (home->back() == '/' || home->back() == '\\')) {
        home->pop_back();
    }
    return home;
}

long SettingsFile::read(std::string& text) const
{
    FileHandle file(::CreateFileW(win32::wideFromUtf8(m_path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return lastError();
    }
    LARGE_INTEGER size{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(file.get(), &size)) {
        return kErrorInvalidData;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxBytes) {
        return kErrorInvalidData;
    }
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t filled = 0;
    while (filled < content.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), content.data() + filled, static_cast<DWORD>(content.size() - filled), &got,
                        nullptr)) {
            return lastError();
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    content.resize(filled);
    text = std::move(content);
    return kErrorSuccess;
}

long SettingsFile::makePrivateDirectory() const
{
    // The profile's own folders are private to the user already.
    return makeDirectories(m_directory);
}

long SettingsFile::replace(std::string_view text) const
{
    const std::wstring temporary = win32::wideFromUtf8(m_temporaryPath);
    // Only a writer holding the lock uses this name, so a file found here is the remains
    // of a writer that died; CREATE_ALWAYS overwrites it.
    FileHandle file(
        ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return lastError();
    }
    long result = writeAll(file.get(), text);
    if (result == kErrorSuccess && !::FlushFileBuffers(file.get())) {
        result = lastError();
    }
    if (!file.closeChecked() && result == kErrorSuccess) {
        result = lastError();
    }
    if (result == kErrorSuccess
        && !::MoveFileExW(temporary.c_str(), win32::wideFromUtf8(m_path).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        result = lastError();
    }
    if (result != kErrorSuccess) {
        ::DeleteFileW(temporary.c_str());
    }
    return result;
}

long SettingsFile::moveAside() const
{
    const std::wstring source = win32::wideFromUtf8(m_path);
    const std::string base = m_path + ".corrupt-" + utcStamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target, so an
        // earlier damaged copy is never lost.
        if (::MoveFileExW(source.c_str(), win32::wideFromUtf8(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
            return kErrorSuccess;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            continue;
        }
        if (error == ERROR_FILE_NOT_FOUND) {
            return kErrorSuccess; // someone else already moved it
        }
        return translate(error);
    }
    return kErrorRegistryIoFailed;
}

} // namespace norvanta::platform
