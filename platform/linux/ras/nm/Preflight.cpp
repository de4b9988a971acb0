#include "platform/linux/ras/nm/Preflight.h"

#include "platform/Socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fstream>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <zlib.h>

namespace norvanta::platform::ras::nm {
namespace {

// True when a line of modules.dep or modules.builtin names `module` ("kernel/.../ppp_mppe.ko"
// with or without compression, followed by ':' in modules.dep).
bool listsModule(const std::filesystem::path& list, std::string_view module, bool& readable)
{
    std::ifstream in(list);
    if (!in) {
        return false;
    }
    readable = true;
    // Appended piece by piece: GCC 12 at -O3 reports a false -Werror=restrict for
    // "/" + std::string(...).
    std::string wanted;
    wanted.reserve(module.size() + 4);
    wanted.append("/").append(module).append(".ko");
    std::string line;
    while (std::getline(in, line)) {
        const std::string path = line.substr(0, line.find(':'));
        const auto at = path.rfind(wanted);
        if (at != std::string::npos && (at + wanted.size() == path.size() || path[at + wanted.size()] == '.')) {
            return true;
        }
    }
    return false;
}

// The kernel's build configuration: /proc/config.gz of the running kernel, else the
// distribution's /boot/config-<release>. Empty when neither can be read.
std::string kernelConfig(const std::filesystem::path& root, const std::string& release)
{
    const auto packed = root / "proc/config.gz";
    if (gzFile file = ::gzopen(packed.c_str(), "rb"); file != nullptr) {
        std::string text;
        char chunk[16384];
        int got = 0;
        while ((got = ::gzread(file, chunk, sizeof chunk)) > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
        }
        ::gzclose(file);
        if (got == 0 && !text.empty()) {
            return text;
        }
    }
    std::ifstream plain(root / "boot" / ("config-" + release));
    return plain ? std::string(std::istreambuf_iterator<char>(plain), {}) : std::string();
}

// How `option` (CONFIG_PPP, say) is set in a kernel configuration: built in or a module
// is Present, "is not set" or absent is Missing.
KernelSupport configSupport(const std::string& config, std::string_view option)
{
    const std::string wanted = std::string(option) + "=";
    std::size_t at = 0;
    while ((at = config.find(wanted, at)) != std::string::npos) {
        const bool lineStart = at == 0 || config[at - 1] == '\n';
        const char value = at + wanted.size() < config.size() ? config[at + wanted.size()] : '\0';
        if (lineStart && (value == 'y' || value == 'm')) {
            return KernelSupport::Present;
        }
        at += wanted.size();
    }
    return KernelSupport::Missing;
}

// True when /proc/devices lists the "ppp" character device (the driver is in the kernel).
bool listsPppDevice(const std::filesystem::path& root)
{
    std::ifstream devices(root / "proc/devices");
    std::string line;
    while (std::getline(devices, line)) {
        if (line.size() > 4 && line.compare(line.size() - 4, 4, " ppp") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

KernelSupport kernelModuleSupport(const std::filesystem::path& root, const std::string& release,
                                  std::string_view module)
{
    std::error_code ignored;
    if (std::filesystem::exists(root / "sys/module" / std::string(module), ignored)) {
        return KernelSupport::Present;
    }
    const auto modules = root / "lib/modules" / release;
    bool readable = false;
    if (listsModule(modules / "modules.builtin", module, readable)
        || listsModule(modules / "modules.dep", module, readable)) {
        return KernelSupport::Present;
    }
    return readable ? KernelSupport::Missing : KernelSupport::Unknown;
}

KernelSupport pppKernelSupport(const std::filesystem::path& root, const std::string& release)
{
    // What the running kernel shows outranks how it was built, which outranks the module
    // lists; a kernel without any of them (a container, say) is Unknown.
    std::error_code ignored;
    const bool pppRunning = std::filesystem::exists(root / "sys/module/ppp_generic", ignored)
                            || std::filesystem::exists(root / "dev/ppp", ignored) || listsPppDevice(root);
    const bool mppeRunning = std::filesystem::exists(root / "sys/module/ppp_mppe", ignored);
    if (pppRunning && mppeRunning) {
        return KernelSupport::Present;
    }
    if (const std::string config = kernelConfig(root, release); !config.empty()) {
        const bool built = (pppRunning || configSupport(config, "CONFIG_PPP") == KernelSupport::Present)
                           && (mppeRunning || configSupport(config, "CONFIG_PPP_MPPE") == KernelSupport::Present);
        return built ? KernelSupport::Present : KernelSupport::Missing;
    }
    const auto ppp = pppRunning ? KernelSupport::Present : kernelModuleSupport(root, release, "ppp_generic");
    const auto mppe = mppeRunning ? KernelSupport::Present : kernelModuleSupport(root, release, "ppp_mppe");
    if (ppp == KernelSupport::Missing || mppe == KernelSupport::Missing) {
        return KernelSupport::Missing;
    }
    return ppp == KernelSupport::Present && mppe == KernelSupport::Present ? KernelSupport::Present
                                                                           : KernelSupport::Unknown;
}

bool pppKernelMissing(const std::filesystem::path& root, const std::string& release)
{
    return pppKernelSupport(root, release) == KernelSupport::Missing;
}

std::string runningKernelRelease()
{
    utsname name{};
    return ::uname(&name) == 0 ? name.release : "";
}

DWORD resolveServer(const std::string& host, std::string& address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &results) != 0 || results == nullptr) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(results->ai_addr);
    const bool written = ::inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr;
    ::freeaddrinfo(results);
    if (!written) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    address = text;
    return 0;
}

std::string gatewayFor(const std::string& host, const std::string& address)
{
    const bool plain = !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    });
    return plain ? host : address;
}

DWORD probePptpPort(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout)
{
    in_addr target{};
    if (::inet_pton(AF_INET, address.c_str(), &target) != 1) {
        return ERROR_DNSNAME_NOT_RESOLVABLE;
    }
    auto failure = Socket::ConnectFailure::Failed;
    const Socket probe = Socket::connectTo(target.s_addr, port, std::chrono::steady_clock::now() + timeout, &failure);
    if (probe.valid()) {
        return 0;
    }
    return failure == Socket::ConnectFailure::TimedOut ? ERROR_VPN_TIMEOUT : ERROR_AUTOMATIC_VPN_FAILED;
}

} // namespace norvanta::platform::ras::nm
