#include "platform/Process.h"
#include "tests/support/TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The process holds the typed password: it must never end up in a core file, nor be
// readable through /proc by another process of the same user. Checked in a child so this
// test binary itself keeps its usual settings.
TEST(Process, CoreDumpsAreSwitchedOff)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool reported = norvanta::platform::disableCoreDumps();
        rlimit core{};
        const bool noCoreFile = ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0;
        const bool notDumpable = ::prctl(PR_GET_DUMPABLE) == 0;
        ::_exit((reported ? 0 : 1) | (noCoreFile ? 0 : 2) | (notDumpable ? 0 : 4));
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported failure, 2: core file allowed, 4: still dumpable";
}

TEST(Process, ExecutableDirectoryHoldsThisTestBinary)
{
    const std::string dir = norvanta::platform::executableDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(dir) / "platform_tests"));
}

// The updater beside the client is "Norvanta_Update" here (".exe" on Windows: proven by
// the installed Windows client's check, which starts one).
TEST(Process, ProgramPathIsTheBareNameInTheDirectory)
{
    EXPECT_EQ(norvanta::platform::programPath("/opt/Norvanta VPN", "Norvanta_Update"),
              "/opt/Norvanta VPN/Norvanta_Update");
}

TEST(Process, LaunchRunsTheProgramWithoutArgumentsAndDoesNotWait)
{
    const fs::path dir = fs::temp_directory_path() / ("launch-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path marker = dir / "ran";
    const fs::path program = dir / "updater";
    std::ofstream(program) << "#!/bin/sh\necho \"$#\" > '" << marker.string() << "'\n";
    fs::permissions(program, fs::perms::owner_all);

    ASSERT_TRUE(norvanta::platform::launchDetached(program.string()));
    for (int i = 0; i < 200 && !fs::exists(marker); ++i) {
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(50ms);
    std::ifstream result(marker);
    int argumentCount = -1;
    result >> argumentCount;
    EXPECT_EQ(argumentCount, 0);
    fs::remove_all(dir);
}

TEST(Process, LaunchOfAMissingOrNonExecutableProgramFails)
{
    EXPECT_FALSE(norvanta::platform::launchDetached("/nonexistent/Norvanta_Update"));
    const fs::path plain = fs::temp_directory_path() / ("not-executable-" + std::to_string(::getpid()));
    std::ofstream(plain) << "data";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    // Even root needs an execute bit to run a file.
    EXPECT_FALSE(norvanta::platform::launchDetached(plain.string()));
    fs::remove(plain);
}

} // namespace

namespace {

// Without a session bus address D-Bus would start a bus of its own and leave it behind.
TEST(Process, NoSessionBusIsEverAutolaunched)
{
    using norvanta::testsupport::setEnvironment;
    const fs::path runtime = norvanta::testsupport::makeTemporaryDirectory("norvanta-bus");
    auto addressAfter = [](const std::optional<std::string>& address) {
        setEnvironment("DBUS_SESSION_BUS_ADDRESS", address);
        norvanta::platform::preventSessionBusAutolaunch();
        const char* now = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        return std::string(now != nullptr ? now : "(unset)");
    };
    setEnvironment("XDG_RUNTIME_DIR", runtime.string());
    EXPECT_EQ(addressAfter("unix:path=/run/user/7/bus"), "unix:path=/run/user/7/bus");
    const std::string failing = addressAfter(std::nullopt);
    EXPECT_EQ(failing.rfind("unix:path=/nonexistent/", 0), 0u) << failing;
    EXPECT_EQ(addressAfter(""), failing);

    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un bus{};
    bus.sun_family = AF_UNIX;
    const std::string path = (runtime / "bus").string();
    ASSERT_LT(path.size(), sizeof bus.sun_path);
    std::copy(path.begin(), path.end(), bus.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&bus), sizeof bus), 0);
    EXPECT_EQ(addressAfter(std::nullopt), "unix:path=" + path);
    ::close(listener);

    setEnvironment("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    setEnvironment("XDG_RUNTIME_DIR", std::nullopt);
    fs::remove_all(runtime);
}

} // namespace
