#include "platform/SettingsFile.h"
#include "platform/SettingsKey.h"
#include "platform/ras/RasPhonebookFile.h"

#include "tests/ras/RasTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
namespace platform = norvanta::platform;
using norvanta::ras::testing::TempDir;

struct SpecialFileCase {
    const char* name;
    const char* fileName;
    long (*touch)(const fs::path& configHome); // reads the file the way the client does
    long expected;
};

void PrintTo(const SpecialFileCase& row, std::ostream* out)
{
    *out << row.name;
}

long openTheSettingsKey(const fs::path& configHome)
{
    platform::setSettingsConfigHomeForTesting(configHome.string());
    platform::SettingsKeyHandle key = 0;
    const long result = platform::openSettingsKey(platform::kCurrentUserKey, "SOFTWARE\\Norvanta VPN", key);
    if (result == platform::kErrorSuccess) {
        platform::closeSettingsKey(key);
    }
    platform::setSettingsConfigHomeForTesting({});
    return result;
}

long findThePhonebookEntry(const fs::path& configHome)
{
    platform::ras::EntrySettings settings;
    return static_cast<long>(platform::ras::RasPhonebookFile((configHome / "Norvanta VPN" / "rasphone.pbk").string())
                                 .find("Norvanta VPN Service", settings));
}

class SpecialFileTest : public testing::TestWithParam<SpecialFileCase> {};

// A FIFO (or any file that is not a regular one) where a file of the client's should be
// is refused at once; opening it for reading would otherwise wait for a writer forever.
TEST_P(SpecialFileTest, FifoIsRefusedWithoutWaiting)
{
    const TempDir home;
    const fs::path directory = home.path() / "Norvanta VPN";
    fs::create_directories(directory);
    const fs::path fifo = directory / GetParam().fileName;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    auto outcome = std::async(std::launch::async, GetParam().touch, home.path());
    if (outcome.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "reading " << GetParam().fileName << " waited on the FIFO";
        // Release every blocked open (a reader may retry) so the test ends instead of hanging.
        while (outcome.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        }
    }
    EXPECT_EQ(outcome.get(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Files, SpecialFileTest,
                         testing::Values(SpecialFileCase{"Settings", "settings.reg", openTheSettingsKey,
                                                         platform::kErrorFileNotFound},
                                         SpecialFileCase{"Phonebook", "rasphone.pbk", findThePhonebookEntry,
                                                         static_cast<long>(ERROR_CANNOT_OPEN_PHONEBOOK)}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
