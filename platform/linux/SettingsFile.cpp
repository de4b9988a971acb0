#include "platform/SettingsFile.h"

#include "platform/SettingsKey.h"
#include "platform/common/SettingsFileSystem.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace norvanta::platform {
namespace {

// The one place where errno becomes a registry result.
long translateErrno(int error)
{
    switch (error) {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
    case ELOOP:
        return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
        return kErrorAccessDenied;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EROFS:
        return kErrorWriteProtect;
    case ENOSPC:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameTooLong;
    case EDQUOT:
        return kErrorDiskQuotaExceeded;
    default:
        return kErrorRegistryIoFailed;
    }
}

long lastError()
{
    return translateErrno(errno);
}

// Closes a descriptor once, whatever happens on the way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

    // Closes now and reports the error close() saw, which on some file systems is the
    // first sign that the data did not reach the disk.
    int closeChecked()
    {
        const int result = ::close(std::exchange(m_fd, -1));
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

std::optional<std::string> environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> passwordDatabaseHome()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384u);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || result == nullptr
        || result->pw_dir == nullptr || *result->pw_dir == '\0') {
        return std::nullopt;
    }
    return std::string(result->pw_dir);
}

std::optional<std::string> findConfigHome()
{
    if (std::string path = settings_system::configHomeOverride(); !path.empty()) {
        return path;
    }
    // Relative values of XDG_CONFIG_HOME are invalid by the base-directory rules.
    if (auto xdg = environmentValue("XDG_CONFIG_HOME"); xdg && xdg->front() == '/') {
        return xdg;
    }
    auto home = environmentValue("HOME");
    if (!home) {
        home = passwordDatabaseHome();
    }
    if (!home) {
        return std::nullopt;
    }
    return *home + "/.config";
}

// Makes every missing directory of path with mode 0700, as the base-directory rules ask
// for the configuration home; directories that exist are left as they are.
long makeDirectories(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return lastError();
        }
        if (slash == std::string::npos) {
            return kErrorSuccess;
        }
    }
}

// The directory holds the remembered password: group and other rights left by an old
// version or a user are removed. The owner's own rights are kept, so a directory made
// read-only on purpose stays read-only.
long ensurePrivateDirectory(const std::string& directory)
{
    if (const long result = makeDirectories(directory); result != kErrorSuccess) {
        return result;
    }
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        return lastError();
    }
    if (!S_ISDIR(status.st_mode)) {
        return kErrorPathNotFound;
    }
    if ((status.st_mode & 07077) != 0 && status.st_uid == ::geteuid()) {
        ::chmod(directory.c_str(), status.st_mode & 0700);
    }
    return kErrorSuccess;
}

long syncDirectory(const std::string& directory)
{
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        return lastError();
    }
    if (::fsync(fd.get()) != 0 && errno != EINVAL) {
        return lastError();
    }
    return kErrorSuccess;
}

long writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return kErrorSuccess;
}

std::string utcStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

bool pathExists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

} // namespace

long settings_system::openLockFile(const std::string& path, int& lock)
{
    lock = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    return lock < 0 ? lastError() : kErrorSuccess;
}

settings_system::LockAttempt settings_system::tryLock(int lock, long& error)
{
    while (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return LockAttempt::Busy;
        }
        if (errno != EINTR) {
            error = lastError();
            return LockAttempt::Failed;
        }
    }
    return LockAttempt::Taken;
}

void settings_system::closeLockFile(int lock)
{
    ::close(lock); // closing the descriptor releases the flock
}

std::optional<std::string> SettingsFile::configHome()
{
    auto home = findConfigHome();
    while (home && home->size() > 1 && home->back() == '/') {
        home->pop_back();
    }
    return home;
}

long SettingsFile::read(std::string& text) const
{
    // Opening a FIFO for reading waits for a writer, possibly forever; without blocking
    // the open returns at once and the check below refuses whatever is not a plain file.
    FileDescriptor fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        return lastError();
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) {
        return lastError();
    }
    if (!S_ISREG(status.st_mode)) {
        return kErrorInvalidData;
    }
    std::string content;
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (got == 0) {
            break;
        }
        content.append(chunk, static_cast<std::size_t>(got));
        if (content.size() > kMaxBytes) {
            return kErrorInvalidData;
        }
    }
    text = std::move(content);
    return kErrorSuccess;
}

long SettingsFile::makePrivateDirectory() const
{
    return ensurePrivateDirectory(m_directory);
}

long SettingsFile::replace(std::string_view text) const
{
    const std::string& temporary = m_temporaryPath;
    // Only a writer holding the lock uses this name, so a file found here is the remains
    // of a writer that died; it is never a version anyone reads.
    ::unlink(temporary.c_str());
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) {
        return lastError();
    }
    long result = ::fchmod(fd.get(), 0600) == 0 ? writeAll(fd.get(), text) : lastError();
    if (result == kErrorSuccess && ::fsync(fd.get()) != 0) {
        result = lastError();
    }
    if (const int closeError = fd.closeChecked(); result == kErrorSuccess && closeError != 0) {
        result = translateErrno(closeError);
    }
    if (result == kErrorSuccess && ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        result = lastError();
    }
    if (result != kErrorSuccess) {
        ::unlink(temporary.c_str());
        return result;
    }
    return syncDirectory(m_directory);
}

long SettingsFile::moveAside() const
{
    const std::string base = m_path + ".corrupt-" + utcStamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // link() refuses to replace an existing file, so an earlier damaged copy is never
        // lost; file systems without hard links fall back to a checked rename.
        if (::link(m_path.c_str(), target.c_str()) == 0) {
            if (::unlink(m_path.c_str()) != 0) {
                return lastError();
            }
            return syncDirectory(m_directory);
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno == ENOENT) {
            return kErrorSuccess; // someone else already moved it
        }
        if (pathExists(target)) {
            continue;
        }
        if (::rename(m_path.c_str(), target.c_str()) != 0) {
            return lastError();
        }
        return syncDirectory(m_directory);
    }
    return kErrorRegistryIoFailed;
}

} // namespace norvanta::platform
