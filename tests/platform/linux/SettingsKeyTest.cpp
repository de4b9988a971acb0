#include "platform/SettingsKey.h"

#include "platform/linux/RegeditDocument.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
namespace platform = norvanta::platform;

constexpr std::string_view kPath = "SOFTWARE\\Norvanta VPN";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& path, std::string_view content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

unsigned modeOf(const fs::path& path)
{
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

long setString(platform::SettingsKeyHandle key, std::string_view name, std::string_view text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return platform::setSettingsValue(key, name, platform::kRegSz, data);
}

std::optional<std::string> getString(platform::SettingsKeyHandle key, std::string_view name)
{
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::vector<std::uint8_t> buffer;
    if (platform::querySettingsValue(key, name, type, buffer, size) == platform::kErrorMoreData) {
        buffer.resize(size);
    }
    if (platform::querySettingsValue(key, name, type, buffer, size) != platform::kErrorSuccess) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(buffer.data()), size ? size - 1 : 0);
}

class SettingsKeyTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        m_home =
            fs::temp_directory_path() / ("norvanta-settings-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(m_home);
        platform::setSettingsConfigHomeForTesting(m_home.string());
    }

    void TearDown() override
    {
        for (const auto key : m_keys) {
            platform::closeSettingsKey(key);
        }
        platform::setSettingsConfigHomeForTesting({});
        fs::permissions(m_home, fs::perms::owner_all, fs::perm_options::add);
        if (fs::exists(directory())) {
            fs::permissions(directory(), fs::perms::owner_all, fs::perm_options::add);
        }
        fs::remove_all(m_home);
    }

    fs::path directory() const { return m_home / "Norvanta VPN"; }
    fs::path file() const { return directory() / "settings.reg"; }

    platform::SettingsKeyHandle create()
    {
        platform::SettingsKeyHandle key = 0;
        EXPECT_EQ(platform::createSettingsKey(platform::kCurrentUserKey, kPath, key), platform::kErrorSuccess);
        m_keys.push_back(key);
        return key;
    }

    long open(platform::SettingsKeyHandle& key)
    {
        const long result = platform::openSettingsKey(platform::kCurrentUserKey, kPath, key);
        if (result == platform::kErrorSuccess) {
            m_keys.push_back(key);
        }
        return result;
    }

    std::vector<fs::path> asideFiles() const
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(directory())) {
            if (entry.path().filename().string().starts_with("settings.reg.corrupt-")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    fs::path m_home;
    std::vector<platform::SettingsKeyHandle> m_keys;
};

TEST_F(SettingsKeyTest, CreateWritesTheRegedit4Layout)
{
    const auto key = create();
    ASSERT_EQ(setString(key, "Ver", "1.0.3"), platform::kErrorSuccess);
    const std::uint8_t one[] = {1, 0, 0, 0};
    ASSERT_EQ(platform::setSettingsValue(key, "UserIDSave", platform::kRegDword, one), platform::kErrorSuccess);
    ASSERT_EQ(setString(key, "UserID", "dGVzdA=="), platform::kErrorSuccess);
    EXPECT_EQ(readFile(file()), "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"Ver\"=\"1.0.3\"\n"
                                "\"UserIDSave\"=dword:00000001\n\"UserID\"=\"dGVzdA==\"\n\n");
    EXPECT_EQ(platform::settingsLocation(), file().string());
}

// The file holds the remembered password: private whatever the umask or an older mode.
TEST_F(SettingsKeyTest, FileIsPrivateInAPrivateDirectory)
{
    fs::create_directories(directory());
    fs::permissions(directory(), fs::perms(0755));
    const mode_t previous = ::umask(0);
    const auto key = create();
    EXPECT_EQ(setString(key, "Ver", "1"), platform::kErrorSuccess);
    ::umask(previous);
    EXPECT_EQ(modeOf(directory()), 0700u);
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(modeOf(directory() / "settings.reg.lock"), 0600u);
}

TEST_F(SettingsKeyTest, MissingConfigHomeIsCreatedPrivate)
{
    platform::setSettingsConfigHomeForTesting((m_home / "deeper" / "config").string());
    platform::SettingsKeyHandle key = 0;
    ASSERT_EQ(platform::createSettingsKey(platform::kCurrentUserKey, kPath, key), platform::kErrorSuccess);
    m_keys.push_back(key);
    EXPECT_EQ(modeOf(m_home / "deeper" / "config"), 0700u);
    EXPECT_TRUE(fs::exists(m_home / "deeper" / "config" / "Norvanta VPN" / "settings.reg"));
}

TEST_F(SettingsKeyTest, OpenNeverCreatesAndFindsOnlyItsOwnSection)
{
    platform::SettingsKeyHandle key = 0;
    EXPECT_EQ(open(key), platform::kErrorFileNotFound);
    EXPECT_FALSE(fs::exists(directory()));

    writeFile(file(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"A\"=\"b\"\n");
    EXPECT_EQ(open(key), platform::kErrorFileNotFound);
    EXPECT_EQ(key, 0u);
    writeFile(file(), "");
    EXPECT_EQ(open(key), platform::kErrorFileNotFound);
    EXPECT_TRUE(asideFiles().empty()) << "an empty file is an empty store, not a damaged one";
}

TEST_F(SettingsKeyTest, RejectsForeignRootsAndHandles)
{
    platform::SettingsKeyHandle key = 0;
    EXPECT_EQ(platform::openSettingsKey(0x80000002u, kPath, key), platform::kErrorInvalidHandle);
    EXPECT_EQ(platform::createSettingsKey(platform::kCurrentUserKey, "a]b", key), platform::kErrorInvalidParameter);
    EXPECT_EQ(setString(platform::kCurrentUserKey, "Ver", "x"), platform::kErrorInvalidHandle);
    EXPECT_EQ(setString(12345, "Ver", "x"), platform::kErrorInvalidHandle);
    EXPECT_EQ(platform::closeSettingsKey(platform::kCurrentUserKey), platform::kErrorSuccess);
    const auto opened = create();
    EXPECT_EQ(setString(opened, "bad\nname", "x"), platform::kErrorInvalidParameter);
}

class SettingsKeyPathTest : public SettingsKeyTest, public testing::WithParamInterface<const char*> {};

// Blanks at the ends of a key path are part of the key's name: the key reads back, and
// writing to it again reuses its one section instead of adding another.
TEST_P(SettingsKeyPathTest, KeyPathReadsBackAndKeepsOneSection)
{
    const std::string path = GetParam();
    for (const char* version : {"1", "2"}) {
        platform::SettingsKeyHandle key = 0;
        ASSERT_EQ(platform::createSettingsKey(platform::kCurrentUserKey, path, key), platform::kErrorSuccess);
        m_keys.push_back(key);
        ASSERT_EQ(setString(key, "Ver", version), platform::kErrorSuccess);
    }
    platform::SettingsKeyHandle reopened = 0;
    ASSERT_EQ(platform::openSettingsKey(platform::kCurrentUserKey, path, reopened), platform::kErrorSuccess);
    m_keys.push_back(reopened);
    EXPECT_EQ(getString(reopened, "Ver"), "2");
    const std::string text = readFile(file());
    const std::string header = "[HKEY_CURRENT_USER\\" + path + "]";
    EXPECT_NE(text.find(header), std::string::npos) << text;
    EXPECT_EQ(text.find(header), text.rfind(header)) << text;
}

INSTANTIATE_TEST_SUITE_P(Paths, SettingsKeyPathTest,
                         testing::Values("SOFTWARE\\Norvanta VPN ", "SOFTWARE\\Norvanta VPN\\Sub  ",
                                         " SOFTWARE\\Norvanta VPN"));

TEST_F(SettingsKeyTest, QueryReportsTheSizeNeededWhenTheBufferIsShort)
{
    const auto key = create();
    ASSERT_EQ(setString(key, "Ver", "12345"), platform::kErrorSuccess);
    std::uint8_t buffer[4] = {9, 9, 9, 9};
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(platform::querySettingsValue(key, "Ver", type, buffer, size), platform::kErrorMoreData);
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[0], 9) << "a short buffer is left untouched";
}

TEST_F(SettingsKeyTest, HandEditedContentSurvivesAWrite)
{
    const std::string before = "REGEDIT4\r\n; my notes\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n"
                               "\"Ver\"  =  \"1.0.2\"\r\n\"Unknown\"=hex(2):25,00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN\\Sub]\r\n\"X\"=dword:00000007\r\n";
    writeFile(file(), before);
    platform::SettingsKeyHandle key = 0;
    ASSERT_EQ(open(key), platform::kErrorSuccess);
    ASSERT_EQ(setString(key, "UserID", "YQ=="), platform::kErrorSuccess);
    std::string expected = before;
    expected.insert(expected.find("\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN\\Sub]") + 2,
                    "\"UserID\"=\"YQ==\"\r\n");
    EXPECT_EQ(readFile(file()), expected);
    EXPECT_EQ(getString(key, "Ver"), "1.0.2");
}

struct Damaged {
    const char* name;
    std::string content;
};

void PrintTo(const Damaged& damaged, std::ostream* out)
{
    *out << damaged.name;
}

class SettingsKeyDamagedTest : public SettingsKeyTest, public testing::WithParamInterface<Damaged> {};

// A damaged file is kept aside byte for byte and the store starts empty; a later write
// makes a fresh file and never touches the copy.
TEST_P(SettingsKeyDamagedTest, IsMovedAsideAndTheStoreStartsEmpty)
{
    writeFile(file(), GetParam().content);
    platform::SettingsKeyHandle key = 0;
    EXPECT_EQ(open(key), platform::kErrorFileNotFound);
    const auto aside = asideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readFile(aside.front()), GetParam().content);
    EXPECT_FALSE(fs::exists(file()));

    const auto created = create();
    ASSERT_EQ(setString(created, "Ver", "1.0.3"), platform::kErrorSuccess);
    EXPECT_EQ(getString(created, "Ver"), "1.0.3");
    EXPECT_EQ(readFile(aside.front()), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsKeyDamagedTest,
                         testing::Values(Damaged{"Binary", std::string("\x7f"
                                                                       "ELF\x02\x01\x01\0\0\0",
                                                                       10)},
                                         Damaged{"NotRegedit",
                                                 "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"Ver\"=\"1\"\n"},
                                         Damaged{"TruncatedHeader", "REGED"},
                                         Damaged{"Huge", "REGEDIT4\n;" + std::string(9u << 20, 'x') + "\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsKeyTest, SecondDamagedFileDoesNotReplaceTheFirstCopy)
{
    platform::SettingsKeyHandle key = 0;
    writeFile(file(), "first damage");
    EXPECT_EQ(open(key), platform::kErrorFileNotFound);
    writeFile(file(), "second damage");
    const auto created = create();
    EXPECT_NE(created, 0u);
    auto aside = asideFiles();
    ASSERT_EQ(aside.size(), 2u);
    std::vector<std::string> contents{readFile(aside[0]), readFile(aside[1])};
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first damage", "second damage"}));
}

// A file grown past the size a reader accepts would be moved aside on the next read,
// so such a write is refused and the file stays as it was.
TEST_F(SettingsKeyTest, OversizedWriteIsRefusedAndLosesNothing)
{
    const auto key = create();
    ASSERT_EQ(setString(key, "Ver", "1.0.3"), platform::kErrorSuccess);
    const std::string before = readFile(file());
    EXPECT_EQ(setString(key, "Huge", std::string(9u << 20, 'x')), platform::kErrorNotEnoughQuota);
    EXPECT_EQ(readFile(file()), before);
}

TEST_F(SettingsKeyTest, LeftoverTemporaryFileDoesNotStopAWrite)
{
    const auto key = create();
    writeFile(directory() / "settings.reg.tmp", "half a write from a crashed process");
    ASSERT_EQ(setString(key, "Ver", "1.0.3"), platform::kErrorSuccess);
    EXPECT_EQ(getString(key, "Ver"), "1.0.3");
    EXPECT_FALSE(fs::exists(directory() / "settings.reg.tmp"));
}

TEST_F(SettingsKeyTest, ReadOnlyDirectoryFailsTheWriteAndKeepsTheFile)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root ignores directory permissions";
    }
    const auto key = create();
    ASSERT_EQ(setString(key, "Ver", "1.0.2"), platform::kErrorSuccess);
    fs::permissions(directory(), fs::perms(0500));
    EXPECT_EQ(setString(key, "Ver", "1.0.3"), platform::kErrorAccessDenied);
    fs::permissions(directory(), fs::perms(0700));
    EXPECT_EQ(getString(key, "Ver"), "1.0.2");
}

// The environment decides the location when no test override is set.
TEST_F(SettingsKeyTest, LocationFollowsXdgConfigHomeThenHome)
{
    platform::setSettingsConfigHomeForTesting({});
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/xdg/conf/", 1);
    EXPECT_EQ(platform::settingsLocation(), "/xdg/conf/Norvanta VPN/settings.reg");
    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    ::setenv("HOME", m_home.c_str(), 1);
    EXPECT_EQ(platform::settingsLocation(), (m_home / ".config/Norvanta VPN/settings.reg").string());
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::settingsLocation(), (m_home / ".config/Norvanta VPN/settings.reg").string());
    if (savedXdg) {
        ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    }
}

// The payload of version n is n followed by one repeated letter; any mix of two
// versions shows up as a wrong letter or a wrong length.
std::string payload(unsigned version)
{
    return std::to_string(version) + ":" + std::string(200000, static_cast<char>('a' + version % 26));
}

bool isWholePayload(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    return text == payload(static_cast<unsigned>(std::stoul(text.substr(0, colon))));
}

// Writes new versions until killed, reporting each finished write on the pipe.
[[noreturn]] void writeForever(int progress)
{
    platform::SettingsKeyHandle key = 0;
    if (platform::openSettingsKey(platform::kCurrentUserKey, kPath, key) != platform::kErrorSuccess) {
        ::_exit(2);
    }
    for (unsigned version = 1;; ++version) {
        if (setString(key, "Payload", payload(version)) != platform::kErrorSuccess) {
            ::_exit(3);
        }
        [[maybe_unused]] const auto ignored = ::write(progress, "+", 1);
    }
}

// A writer killed at any moment leaves either the old or the new file, never a torn one.
// Each kill lands at a random point of a write cycle: after the child reports its first
// finished write, within about two cycle lengths as measured here.
TEST_F(SettingsKeyTest, KilledWriterLeavesAWholeFile)
{
    const auto key = create();
    ASSERT_EQ(setString(key, "Keep", "other values survive"), platform::kErrorSuccess);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(setString(key, "Payload", payload(0)), platform::kErrorSuccess);
    const auto cycle =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count() + 1;
    std::mt19937 random(12345);
    for (int round = 0; round < 30; ++round) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            writeForever(progress[1]);
        }
        ::close(progress[1]);
        char report = 0;
        [[maybe_unused]] const auto got = ::read(progress[0], &report, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (2 * cycle)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(progress[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        ASSERT_TRUE(platform::RegeditDocument::parse(readFile(file())).has_value()) << round;
        const auto stored = getString(key, "Payload");
        ASSERT_TRUE(stored.has_value()) << round;
        EXPECT_TRUE(isWholePayload(*stored)) << round;
        EXPECT_EQ(getString(key, "Keep"), "other values survive");
    }
    EXPECT_TRUE(asideFiles().empty());
}

// Each write reads, changes and replaces the whole file; the lock makes two writers
// take turns, so neither loses the other's values and the file is never torn.
TEST_F(SettingsKeyTest, TwoWritingProcessesLoseNothing)
{
    create();
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::SettingsKeyHandle key = 0;
            if (platform::openSettingsKey(platform::kCurrentUserKey, kPath, key) != platform::kErrorSuccess) {
                ::_exit(2);
            }
            for (int i = 0; i < kWrites; ++i) {
                const std::string name = "W" + std::to_string(writer) + "_" + std::to_string(i);
                if (setString(key, name, payload(static_cast<unsigned>(i)).substr(0, 2000))
                    != platform::kErrorSuccess) {
                    ::_exit(3);
                }
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    platform::SettingsKeyHandle key = 0;
    ASSERT_EQ(open(key), platform::kErrorSuccess);
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kWrites; ++i) {
            const std::string name = "W" + std::to_string(writer) + "_" + std::to_string(i);
            EXPECT_EQ(getString(key, name), payload(static_cast<unsigned>(i)).substr(0, 2000)) << name;
        }
    }
}

// A worker the window left running (a start-up fetch waiting on a silent server) may still
// open, read and close keys while the process ends; what it touches must outlive exit().
// Each round runs in a fresh copy of this program, so no other test's state takes part.
void exitWhileAWorkerUsesKeys()
{
    std::atomic<bool> working{false};
    std::thread([&working] {
        for (;;) {
            platform::SettingsKeyHandle key = 0;
            if (platform::openSettingsKey(platform::kCurrentUserKey, kPath, key) == platform::kErrorSuccess) {
                getString(key, "UserID");
                platform::closeSettingsKey(key);
            }
            working = true;
        }
    }).detach();
    while (!working) {
        std::this_thread::yield();
    }
    std::exit(0);
}

TEST_F(SettingsKeyTest, WorkerStillUsingKeysDuringExitDoesNotCrash)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(setString(create(), "UserID", "kept"), platform::kErrorSuccess);
    for (int round = 0; round < 10; ++round) {
        EXPECT_EXIT(exitWhileAWorkerUsesKeys(), testing::ExitedWithCode(0), "") << "round " << round;
    }
}

} // namespace
