#include "platform/InstanceLock.h"

#include "platform/SettingsFile.h"
#include "platform/SettingsKey.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvanta::platform {

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

namespace {

// $XDG_RUNTIME_DIR belongs to this user's logon and is emptied when it ends. Without it
// the marker goes to the settings folder, which only this user can write to: in a shared
// folder such as /tmp another local user could plant a link or a file of theirs first
// and so let a second instance start.
std::optional<std::string> runtimeDirectory()
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir != nullptr && runtimeDir[0] == '/') {
        return std::string(runtimeDir);
    }
    return std::nullopt;
}

} // namespace

std::string InstanceLock::markerPath(const std::string& name)
{
    if (const auto runtimeDir = runtimeDirectory()) {
        return *runtimeDir + "/" + name + ".lock";
    }
    const auto settingsDir = SettingsFile::locateDirectory();
    return settingsDir ? *settingsDir + "/" + name + ".lock" : std::string();
}

InstanceLock::Result InstanceLock::acquire(const std::string& name)
{
    if (m_fd >= 0) {
        return Result::Acquired;
    }
    const std::string path = markerPath(name);
    if (path.empty()) {
        return Result::Unavailable;
    }
    if (!runtimeDirectory()) {
        const auto settingsDir = SettingsFile::locateDirectory();
        if (!settingsDir || SettingsFile(*settingsDir).makePrivateDirectory() != kErrorSuccess) {
            return Result::Unavailable;
        }
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return Result::Unavailable;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid()) {
        ::close(fd);
        return Result::Unavailable;
    }
    // flock belongs to the open file, so the kernel releases it when the process dies,
    // even by SIGKILL: a crashed client never blocks the next start.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::HeldByOther : Result::Unavailable;
    }
    m_fd = fd;
    return Result::Acquired;
}

} // namespace norvanta::platform
