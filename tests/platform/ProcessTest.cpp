#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(Process, ExecutableDirectoryHoldsThisTestBinary)
{
    const std::string dir = norvanta::platform::executableDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(dir) / "platform_tests"));
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
