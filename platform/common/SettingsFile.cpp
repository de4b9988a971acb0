#include "platform/SettingsFile.h"

#include "platform/SettingsKey.h"
#include "platform/common/NeverDestroyed.h"
#include "platform/common/SettingsFileSystem.h"

#include <mutex>
#include <thread>
#include <utility>

namespace norvanta::platform {
namespace {

constexpr const char* kDirectoryName = "Norvanta VPN";
constexpr auto kLockRetryPause = std::chrono::milliseconds(10);

// Read by every settings call, also by a worker still running while the process ends.
struct ConfigHomeOverride {
    std::mutex mutex;
    std::string path;
};
NeverDestroyed<ConfigHomeOverride> g_configHomeOverride;

} // namespace

std::string settings_system::configHomeOverride()
{
    const std::lock_guard guard(g_configHomeOverride->mutex);
    return g_configHomeOverride->path;
}

void SettingsFile::setConfigHomeOverride(std::string configHome)
{
    const std::lock_guard guard(g_configHomeOverride->mutex);
    g_configHomeOverride->path = std::move(configHome);
}

std::optional<std::string> SettingsFile::locateDirectory()
{
    const auto home = configHome();
    if (!home) {
        return std::nullopt;
    }
    return *home + "/" + kDirectoryName;
}

SettingsFile::SettingsFile(std::string directory, std::string fileName)
    : m_directory(std::move(directory)), m_path(m_directory + "/" + fileName), m_lockPath(m_path + ".lock"),
      m_temporaryPath(m_path + ".tmp")
{
}

SettingsFile::Lock::~Lock()
{
    if (m_fd != settings_system::kNoLock) {
        settings_system::closeLockFile(m_fd);
    }
}

SettingsFile::Lock::Lock(Lock&& other) noexcept : m_fd(std::exchange(other.m_fd, settings_system::kNoLock)) {}

SettingsFile::Lock& SettingsFile::Lock::operator=(Lock&& other) noexcept
{
    if (this != &other) {
        if (m_fd != settings_system::kNoLock) {
            settings_system::closeLockFile(m_fd);
        }
        m_fd = std::exchange(other.m_fd, settings_system::kNoLock);
    }
    return *this;
}

long SettingsFile::lock(Lock& lock, std::chrono::milliseconds patience) const
{
    if (const long result = makePrivateDirectory(); result != kErrorSuccess) {
        return result;
    }
    Lock taken;
    if (const long result = settings_system::openLockFile(m_lockPath, taken.m_fd); result != kErrorSuccess) {
        return result;
    }
    // A writer that hangs (say, a stopped updater) must not hang the client with it.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        long error = kErrorSuccess;
        switch (settings_system::tryLock(taken.m_fd, error)) {
        case settings_system::LockAttempt::Taken:
            lock = std::move(taken);
            return kErrorSuccess;
        case settings_system::LockAttempt::Failed:
            return error;
        case settings_system::LockAttempt::Busy:
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return kErrorLockViolation;
        }
        std::this_thread::sleep_for(kLockRetryPause);
    }
}

} // namespace norvanta::platform
