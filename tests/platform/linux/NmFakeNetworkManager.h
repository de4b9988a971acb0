#pragma once

// A fake NetworkManager for the dialer's tests: a private dbus-daemon started for the test
// and python-dbusmock with our NetworkManager template (nm_fake_networkmanager.py beside
// this file) on it. The process's DBUS_SYSTEM_BUS_ADDRESS points at that bus while the
// fake lives, so the dialer finds it as it would find the real one. Every wait is bounded.
//
// The test talks to the fake over sd-bus, which reaches the test through the platform
// library's link dependencies.

#include <systemd/sd-bus.h>

#include "platform/Socket.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace norvanta::nmtest {

inline constexpr auto kStartPatience = std::chrono::seconds(30);

class NmFakeNetworkManager {
public:
    // Starts the bus and the fake with the activation `scenario` (see SetScenario in the
    // template) and the one password it accepts (empty: any). ready() tells if it worked.
    explicit NmFakeNetworkManager(const std::string& scenario = "success", const std::string& password = "")
    {
        char pattern[] = "/tmp/norvanta-nm-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return;
        }
        m_dir = pattern;
        if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
            m_oldAddress = old;
        }
        if (!startBus() || !startFake(scenario, password) || !waitForName()) {
            m_startLog = log();
            stop();
            return;
        }
        m_ready = true;
    }

    ~NmFakeNetworkManager() { stop(); }

    NmFakeNetworkManager(const NmFakeNetworkManager&) = delete;
    NmFakeNetworkManager& operator=(const NmFakeNetworkManager&) = delete;

    bool ready() const { return m_ready; }
    const std::string& address() const { return m_address; }
    // What the fake printed (its call log and any Python error), for failure messages.
    std::string log() const
    {
        if (m_dir.empty()) {
            return m_startLog;
        }
        std::ifstream in(m_dir / "fake.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void setScenario(const std::string& scenario, const std::string& password = "")
    {
        sd_bus_message_unref(callMock("SetScenario", "ss", scenario.c_str(), password.c_str()));
    }

    // Ends every active VPN with the VPN state and reason given, as if from outside.
    void endAll(std::uint32_t vpnState, std::uint32_t reason)
    {
        sd_bus_message_unref(callMock("EndAll", "uu", vpnState, reason));
    }

    // Takes NetworkManager off the bus.
    void stopNetworkManager() { endProcess(m_fake); }

    std::vector<std::string> receivedSecrets()
    {
        std::vector<std::string> secrets;
        sd_bus_message* reply = callMock("ReceivedSecrets", "");
        char** strv = nullptr;
        if (reply != nullptr && sd_bus_message_read_strv(reply, &strv) >= 0 && strv != nullptr) {
            for (char** item = strv; *item != nullptr; ++item) {
                secrets.emplace_back(*item);
                std::free(*item);
            }
            std::free(strv);
        }
        sd_bus_message_unref(reply);
        return secrets;
    }

    std::uint32_t registeredAgents() { return readUint(callMock("RegisteredAgents", "")); }
    std::uint32_t profileCount(const std::string& name)
    {
        return readUint(callMock("ProfileCount", "s", name.c_str()));
    }

    std::string clientCalls()
    {
        sd_bus_message* reply = callMock("ClientCalls", "");
        const char* text = nullptr;
        std::string calls;
        if (reply != nullptr && sd_bus_message_read(reply, "s", &text) >= 0 && text != nullptr) {
            calls = text;
        }
        sd_bus_message_unref(reply);
        return calls;
    }

    // The first profile called `name`, flattened ("vpn.data.gateway" -> "10.0.0.1").
    std::map<std::string, std::string> profileSettings(const std::string& name)
    {
        std::map<std::string, std::string> settings;
        sd_bus_message* reply = callMock("ProfileSettings", "s", name.c_str());
        if (reply != nullptr && sd_bus_message_enter_container(reply, 'a', "{ss}") >= 0) {
            const char* key = nullptr;
            const char* value = nullptr;
            while (sd_bus_message_read(reply, "{ss}", &key, &value) > 0) {
                settings[key] = value;
            }
        }
        sd_bus_message_unref(reply);
        return settings;
    }

private:
    bool startBus()
    {
        const auto config = m_dir / "bus.conf";
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                 "<busconfig>\n"
                                 "  <listen>unix:path="
                              << (m_dir / "bus").string()
                              << "</listen>\n"
                                 "  <auth>EXTERNAL</auth>\n"
                                 "  <policy context=\"default\">\n"
                                 "    <allow user=\"*\"/>\n"
                                 "    <allow own=\"*\"/>\n"
                                 "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                 "    <allow eavesdrop=\"true\"/>\n"
                                 "  </policy>\n"
                                 "</busconfig>\n";
        int out[2];
        if (::pipe(out) != 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const auto busLog = (m_dir / "bus.log").string();
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, busLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string configArg = "--config-file=" + config.string();
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(configArg.c_str()),
                        const_cast<char*>("--print-address"), const_cast<char*>("--nofork"), nullptr};
        const bool spawned = ::posix_spawnp(&m_daemon, "dbus-daemon", &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (!spawned) {
            m_daemon = -1;
            ::close(out[0]);
            return false;
        }
        // The address comes as the first line on its standard output.
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + kStartPatience;
        pollfd readable{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            if (::poll(&readable, 1, 100) <= 0) {
                continue;
            }
            char buffer[256];
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            line.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(out[0]);
        if (line.find('\n') == std::string::npos) {
            return false;
        }
        m_address = line.substr(0, line.find('\n'));
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.c_str(), 1);
        return true;
    }

    bool startFake(const std::string& scenario, const std::string& password)
    {
        const auto logFile = (m_dir / "fake.log").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const std::string parameters = "{\"scenario\": \"" + scenario + "\", \"password\": \"" + password + "\"}";
        const std::string templatePath =
            (std::filesystem::path(__FILE__).parent_path() / "nm_fake_networkmanager.py").string();
        char* argv[] = {const_cast<char*>("/usr/bin/python3"),
                        const_cast<char*>("-m"),
                        const_cast<char*>("dbusmock"),
                        const_cast<char*>("--system"),
                        const_cast<char*>("--template"),
                        const_cast<char*>(templatePath.c_str()),
                        const_cast<char*>("--parameters"),
                        const_cast<char*>(parameters.c_str()),
                        nullptr};
        const bool spawned = ::posix_spawn(&m_fake, "/usr/bin/python3", &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        if (!spawned) {
            m_fake = -1;
        }
        return spawned;
    }

    bool waitForName()
    {
        if (!connect()) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + kStartPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_fake, &status, WNOHANG) == m_fake) {
                m_fake = -1; // it died: its log says why
                return false;
            }
            sd_bus_message* reply = nullptr;
            int has = 0;
            if (sd_bus_call_method(m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "NameHasOwner", nullptr, &reply, "s", "org.freedesktop.NetworkManager")
                    >= 0
                && sd_bus_message_read(reply, "b", &has) >= 0 && has != 0) {
                sd_bus_message_unref(reply);
                return true;
            }
            sd_bus_message_unref(reply);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    bool connect()
    {
        if (sd_bus_new(&m_bus) < 0 || sd_bus_set_address(m_bus, m_address.c_str()) < 0
            || sd_bus_set_bus_client(m_bus, 1) < 0 || sd_bus_start(m_bus) < 0) {
            return false;
        }
        return true;
    }

    template <typename... Args>
    sd_bus_message* callMock(const char* method, const char* types, Args... args)
    {
        sd_bus_message* reply = nullptr;
        if (m_bus == nullptr
            || sd_bus_call_method(m_bus, "org.freedesktop.NetworkManager", "/org/freedesktop",
                                  "org.freedesktop.DBus.Mock", method, nullptr, &reply, types, args...)
                   < 0) {
            return nullptr;
        }
        return reply;
    }

    static std::uint32_t readUint(sd_bus_message* reply)
    {
        std::uint32_t value = 0;
        if (reply != nullptr) {
            sd_bus_message_read(reply, "u", &value);
        }
        sd_bus_message_unref(reply);
        return value;
    }

    static void endProcess(pid_t& pid)
    {
        if (pid <= 0) {
            return;
        }
        ::kill(pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = -1;
    }

    void stop()
    {
        if (m_bus != nullptr) {
            sd_bus_flush_close_unref(m_bus);
            m_bus = nullptr;
        }
        endProcess(m_fake);
        endProcess(m_daemon);
        if (m_oldAddress) {
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", m_oldAddress->c_str(), 1);
        } else {
            ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        }
        if (!m_dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
            m_dir.clear();
        }
    }

    std::filesystem::path m_dir;
    std::optional<std::string> m_oldAddress;
    std::string m_address;
    std::string m_startLog;
    pid_t m_daemon = -1;
    pid_t m_fake = -1;
    sd_bus* m_bus = nullptr;
    bool m_ready = false;
};

// A TCP port on loopback: the stand-in for a PPTP server's control port, which the
// dialer checks first. It is held for as long as the object lives, so no other program
// can take it meanwhile.
class PptpPort {
public:
    enum class Answer {
        Accepts,      // the kernel completes connections from the backlog
        Refuses,      // bound but not listening: a connection is reset at once
        NeverAnswers, // its one-place queue taken: further connections hear nothing
    };

    explicit PptpPort(Answer answer = Answer::Accepts)
    {
        using norvanta::platform::Socket;
        if (answer == Answer::Refuses) {
            bindOnly();
            return;
        }
        m_listener = Socket::listenOnLoopback(0, answer == Answer::NeverAnswers ? 0 : 16);
        m_port = m_listener.localPort();
        if (answer == Answer::NeverAnswers && m_port != 0) {
            m_filler = Socket::connectTo(htonl(INADDR_LOOPBACK), m_port,
                                         std::chrono::steady_clock::now() + std::chrono::seconds(10));
        }
    }
    ~PptpPort()
    {
        if (m_boundOnly >= 0) {
            ::close(m_boundOnly);
        }
    }
    PptpPort(const PptpPort&) = delete;
    PptpPort& operator=(const PptpPort&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    void bindOnly()
    {
        m_boundOnly = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_boundOnly, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && ::getsockname(m_boundOnly, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }

    norvanta::platform::Socket m_listener;
    norvanta::platform::Socket m_filler;
    int m_boundOnly = -1;
    std::uint16_t m_port = 0;
};

} // namespace norvanta::nmtest
