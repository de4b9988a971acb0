#include "platform/Process.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

extern char** environ;

namespace norvanta::platform {

std::string executablePath()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length <= 0 ? std::string() : std::string(path, static_cast<std::size_t>(length));
}

std::string executableDirectory()
{
    const std::string executable = executablePath();
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? std::string() : executable.substr(0, slash);
}

std::string programPath(const std::string& directory, const std::string& baseName)
{
    return directory + "/" + baseName;
}

const char* updateAdvice()
{
    return "시스템의 패키지 관리자로 업데이트해 주십시오.";
}

bool launchDetached(const std::string& path)
{
    // glibc's posix_spawn reports a failed exec (missing file, no execute permission)
    // as its result, which is what lets the caller notice an updater that cannot run.
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    return ::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ) == 0;
}

bool disableCoreDumps()
{
    // Both: a zero core limit does not stop a core_pattern that pipes to a crash collector,
    // whereas a process that is not dumpable gets no core at all and other processes of the
    // user cannot read its memory; the limit still holds should the flag be reset (a change
    // of credentials resets it).
    const rlimit noCore{0, 0};
    const bool noCoreFile = ::setrlimit(RLIMIT_CORE, &noCore) == 0;
    const bool notDumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return noCoreFile && notDumpable;
}

void preventSessionBusAutolaunch()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0') {
        return;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string socket = runtime != nullptr && runtime[0] == '/' ? std::string(runtime) + "/bus" : std::string();
    struct stat found {};
    if (socket.empty() || ::stat(socket.c_str(), &found) != 0 || !S_ISSOCK(found.st_mode)) {
        // No such socket: connecting fails at once, and nothing is started.
        socket = "/nonexistent/norvanta-no-session-bus";
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
}

} // namespace norvanta::platform
