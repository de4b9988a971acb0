#include "platform/linux/ras/NmRasProvider.h"

#include "platform/CodePage.h"
#include "platform/linux/ras/nm/InterfaceCounters.h"
#include "platform/linux/ras/nm/Preflight.h"
#include "platform/linux/ras/nm/StateMap.h"
#include "platform/ras/RasErrorText.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <pwd.h>
#include <random>
#include <string.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace norvanta::platform::ras {
namespace {

constexpr char kVpnInterface[] = "org.freedesktop.NetworkManager.VPN.Connection";
constexpr char kActiveInterface[] = "org.freedesktop.NetworkManager.Connection.Active";

void wipe(std::string& secret)
{
    explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

// The login NetworkManager knows this user by, for the profile's permissions.
std::string loginName()
{
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return {};
    }
    return found->pw_name;
}

std::string newUuid()
{
    std::random_device random;
    std::uint8_t bytes[16];
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

struct NmRasProvider::PendingActivation {
    NmRasProvider* provider;
    ConnectionId id;
};

NmRasProvider::NmRasProvider(NmRasOptions options)
    : m_options(std::move(options)), m_record(m_options.linkRecord),
      m_agent([this](const std::string& sender, const std::string& profilePath) {
          return passwordFor(sender, profilePath);
      }),
      m_bus(std::make_unique<nm::BusThread>(
          nm::BusThread::Hooks{[this](sd_bus* bus) { busOpened(bus); }, [this] { networkManagerGone(); }}))
{
}

NmRasProvider::~NmRasProvider()
{
    std::vector<Checker> checkers;
    {
        const std::lock_guard lock(m_mutex);
        checkers.swap(m_checkers);
        m_links.forEach([](Link& link) { wipe(link.password); });
    }
    for (auto& checker : checkers) {
        checker.thread.join();
    }
    m_bus.reset();
}

DWORD NmRasProvider::validateEntryName(const std::string&, const std::string& entryName)
{
    const auto timeout = m_options.callTimeout;
    const auto result = m_bus->await<DWORD>(
        [entryName, timeout](sd_bus* bus) -> DWORD {
            nm::CallError error;
            const auto profile = nm::findProfile(bus, entryName, timeout, error);
            if (error) {
                return nm::callErrorCode(error.name, ERROR_CANNOT_OPEN_PHONEBOOK);
            }
            return profile ? ERROR_ALREADY_EXISTS : 0;
        },
        m_options.callerWait);
    return result.value_or(kErrorNmUnavailable);
}

DWORD NmRasProvider::setEntryProperties(const std::string&, const std::string& entryName, const EntrySettings& settings)
{
    const auto timeout = m_options.callTimeout;
    const auto result = m_bus->await<DWORD>(
        [entryName, settings, timeout](sd_bus* bus) -> DWORD {
            // An existing profile is the user's from then on: it is never written over,
            // even when the lookup that should have found it timed out.
            nm::CallError error;
            if (nm::findProfile(bus, entryName, timeout, error)) {
                return ERROR_ALREADY_EXISTS;
            }
            if (error) {
                return nm::callErrorCode(error.name, ERROR_CANNOT_WRITE_PHONEBOOK);
            }
            const std::string login = loginName();
            if (login.empty()) {
                return ERROR_CANNOT_WRITE_PHONEBOOK;
            }
            if (nm::addProfile(bus, entryName, newUuid(), login, settings, timeout, error).empty()) {
                return nm::callErrorCode(error.name, ERROR_CANNOT_WRITE_PHONEBOOK);
            }
            return 0;
        },
        m_options.callerWait);
    return result.value_or(kErrorNmUnavailable);
}

DWORD NmRasProvider::dial(ConnectionId id, const DialRequest& request, ProgressCallback progress)
{
    DialRequest checked = request;
    Link link;
    link.state = nm::Link(m_options.greSilence);
    link.entryName = request.entryName;
    link.progress = std::move(progress);
    link.password = request.password;
    wipe(checked.password);
    {
        const std::lock_guard lock(m_mutex);
        reapCheckers();
        m_links.add(id, std::move(link));
        auto done = std::make_shared<std::atomic<bool>>(false);
        m_checkers.push_back(Checker{std::thread([this, id, checked = std::move(checked), done]() mutable {
                                         runChecks(id, std::move(checked));
                                         done->store(true);
                                     }),
                                     done});
    }
    m_bus->postAfter(m_options.dialLimit, [this, id](sd_bus* bus) { dialLimitReached(bus, id); });
    return 0;
}

// Runs on the dial's own thread: each check may block for a while, and a hang-up or the
// time limit may end the dial meanwhile, which the next step notices.
void NmRasProvider::runChecks(ConnectionId id, DialRequest request)
{
    if (const DWORD refused = convertToUtf8(id, request); refused != 0) {
        failIfChecking(id, refused);
        return;
    }
    const auto checked = m_bus->await<Checked>(
        [this, name = request.entryName](sd_bus* bus) { return checkNetworkManager(bus, name); }, m_options.callerWait);
    if (!checked) {
        failIfChecking(id, kErrorNmUnavailable);
        return;
    }
    if (checked->code != 0) {
        failIfChecking(id, checked->code);
        return;
    }
    const std::string release = m_options.kernelRelease.empty() ? nm::runningKernelRelease() : m_options.kernelRelease;
    if (nm::pppKernelMissing(m_options.systemRoot, release)) {
        failIfChecking(id, kErrorNmNoPppKernel);
        return;
    }
    std::string address;
    if (const DWORD resolved = nm::resolveServer(request.phoneNumber, address); resolved != 0) {
        failIfChecking(id, resolved);
        return;
    }
    if (const DWORD probed = nm::probePptpPort(address, m_options.pptpPort, m_options.probeTimeout); probed != 0) {
        failIfChecking(id, probed);
        return;
    }
    auto data = checked->profile.data;
    data["gateway"] = nm::gatewayFor(request.phoneNumber, address);
    data["user"] = request.userName;
    if (request.domain.empty()) {
        data.erase("domain");
    } else {
        data["domain"] = request.domain;
    }
    {
        const std::lock_guard lock(m_mutex);
        Link* link = m_links.find(id, Phase::Checking);
        if (link == nullptr) {
            return;
        }
        react(*link, link->state.checksPassed());
    }
    m_bus->post([this, id, profile = checked->profile, data = std::move(data), owner = checked->owner](sd_bus* bus) {
        activate(bus, id, profile, data, owner);
    });
}

// The RAS functions take CP949 text; D-Bus strings must be UTF-8 (sd-bus refuses anything
// else). Converts the request's server, user and domain, and the password the dial keeps;
// false, with nothing half-converted left behind, when one of them is not CP949 text.
DWORD NmRasProvider::convertToUtf8(ConnectionId id, DialRequest& request)
{
    const auto server = exactUtf8FromCp949(request.phoneNumber);
    const auto user = exactUtf8FromCp949(request.userName);
    const auto domain = exactUtf8FromCp949(request.domain);
    if (!server || !user || !domain) {
        return kErrorNmBadText;
    }
    request.phoneNumber = *server;
    request.userName = *user;
    request.domain = *domain;
    const std::lock_guard lock(m_mutex);
    Link* link = m_links.find(id);
    if (link == nullptr) {
        return 0; // hung up meanwhile: nothing left to convert
    }
    auto password = exactUtf8FromCp949(link->password);
    wipe(link->password);
    if (!password) {
        return kErrorNmBadText;
    }
    // pppd hashes the password by widening each byte to 16 bits where Windows hashes its
    // UTF-16, and the name reaches the server as UTF-8 where a Windows client sends its
    // code page: a login that is not all ASCII can only be refused by the server, after a
    // wait and with no word of why. Said before dialing instead.
    const bool pppdCanLogIn = isAscii(*user) && isAscii(*domain) && isAscii(*password);
    link->password.assign(*password);
    wipe(*password);
    return pppdCanLogIn ? 0 : kErrorNmNonAsciiLogin;
}

NmRasProvider::Checked NmRasProvider::checkNetworkManager(sd_bus* bus, const std::string& entryName)
{
    Checked checked;
    nm::CallError error;
    checked.owner = nm::nmOwner(bus, m_options.callTimeout, error);
    if (error) {
        checked.code = kErrorNmUnavailable;
        return checked;
    }
    const auto profile = nm::findProfile(bus, entryName, m_options.callTimeout, error);
    if (error) {
        checked.code = nm::callErrorCode(error.name, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    } else if (!profile) {
        checked.code = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    } else {
        checked.profile = *profile;
    }
    return checked;
}

void NmRasProvider::activate(sd_bus* bus, ConnectionId id, const nm::Profile& profile,
                             std::map<std::string, std::string> data, const std::string& owner)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_links.find(id, Phase::Checking) == nullptr) {
            return;
        }
    }
    nm::CallError error;
    // Only a changed server or user is written: each write is a profile change the user
    // may see in NetworkManager's own tools.
    if (data != profile.data && !nm::updateProfileData(bus, profile.path, data, m_options.callTimeout, error)) {
        failIfChecking(id, nm::callErrorCode(error.name, ERROR_CANNOT_WRITE_PHONEBOOK));
        return;
    }
    if (!m_agentRegistered) {
        if (!m_agent.registerWith(bus, m_options.callTimeout, error)) {
            failIfChecking(id, nm::callErrorCode(error.name, kErrorNmUnavailable));
            return;
        }
        m_agentRegistered = true;
    }
    {
        const std::lock_guard lock(m_mutex);
        Link* link = m_links.find(id, Phase::Checking);
        if (link == nullptr) {
            return;
        }
        link->state.activationAsked();
        link->profilePath = profile.path;
        link->nmOwner = owner;
        link->encryption = nm::encryptionRequiredBy(data);
    }
    // Asynchronous: NetworkManager may ask the agent for the password before it answers,
    // so the loop must stay free to serve it.
    sd_bus_message* call = nullptr;
    sd_bus_slot* slot = nullptr;
    int result =
        sd_bus_message_new_method_call(bus, &call, nm::kNmService, nm::kNmPath, nm::kNmService, "ActivateConnection");
    const nm::Message owned(call);
    result = result >= 0 ? sd_bus_message_append(call, "ooo", profile.path.c_str(), "/", "/") : result;
    auto pending = std::make_unique<PendingActivation>(PendingActivation{this, id});
    const auto usec = static_cast<std::uint64_t>(m_options.dialLimit.count()) * 1000U;
    result = result >= 0 ? sd_bus_call_async(bus, &slot, call, onActivated, pending.get(), usec) : result;
    if (result < 0) {
        activated(bus, id, {}, {"org.freedesktop.DBus.Error.NoReply", ""});
        return;
    }
    sd_bus_slot_set_destroy_callback(
        slot, [](void* data) { std::unique_ptr<PendingActivation>(static_cast<PendingActivation*>(data)); });
    pending.release();
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
}

int NmRasProvider::onActivated(sd_bus_message* reply, void* pending, sd_bus_error*)
{
    const auto* activation = static_cast<PendingActivation*>(pending);
    sd_bus* bus = sd_bus_message_get_bus(reply);
    if (const sd_bus_error* error = sd_bus_message_get_error(reply); error != nullptr) {
        activation->provider->activated(
            bus, activation->id, {},
            {error->name != nullptr ? error->name : "", error->message != nullptr ? error->message : ""});
        return 0;
    }
    const char* path = nullptr;
    if (sd_bus_message_read_basic(reply, 'o', &path) < 0 || path == nullptr) {
        activation->provider->activated(bus, activation->id, {}, {"org.freedesktop.DBus.Error.InvalidArgs", ""});
        return 0;
    }
    activation->provider->activated(bus, activation->id, path, {});
    return 0;
}

void NmRasProvider::activated(sd_bus* bus, ConnectionId id, const std::string& activePath, const nm::CallError& error)
{
    bool orphan = false;
    {
        const std::lock_guard lock(m_mutex);
        Link* link = m_links.find(id, Phase::Activating);
        if (link == nullptr) {
            orphan = !activePath.empty();
        } else if (activePath.empty()) {
            react(*link, link->state.fail(nm::activationErrorCode(error.name, error.message)));
        } else {
            link->activePath = activePath;
            react(*link, link->state.activationAnswered());
        }
        // Signals sent before this reply are applied now, in their order; taken in any case,
        // so that none outlives the wait for a reply.
        const auto early = m_links.takeEarlySignals(activePath);
        if (link != nullptr && !activePath.empty()) {
            for (const auto& signal : early) {
                applyState(*link, signal);
            }
        }
    }
    // Hung up (or given up) while NetworkManager was still answering: the activation it
    // started must not stay behind.
    if (orphan) {
        deactivate(bus, activePath);
    }
    unregisterAgentWhenIdle(bus);
}

void NmRasProvider::dialLimitReached(sd_bus* bus, ConnectionId id)
{
    std::string activePath;
    {
        const std::lock_guard lock(m_mutex);
        Link* link = m_links.find(id);
        if (link == nullptr || (link->state.phase() != Phase::Checking && link->state.phase() != Phase::Activating)) {
            return;
        }
        activePath = link->activePath;
        react(*link, link->state.fail(ERROR_PPP_TIMEOUT));
    }
    if (!activePath.empty()) {
        deactivate(bus, activePath);
    }
    unregisterAgentWhenIdle(bus);
}

DWORD NmRasProvider::hangUp(ConnectionId id)
{
    std::string activePath;
    {
        const std::lock_guard lock(m_mutex);
        Link* link = m_links.find(id);
        if (link == nullptr) {
            return ERROR_INVALID_HANDLE;
        }
        wipe(link->password);
        if (link->state.live()) {
            activePath = link->activePath;
        }
        if (!activePath.empty()) {
            m_record.clear(activePath);
        }
        m_links.hangUp(id);
    }
    m_bus->post([this, activePath](sd_bus* bus) {
        if (!activePath.empty()) {
            deactivate(bus, activePath);
        }
        unregisterAgentWhenIdle(bus);
    });
    return 0;
}

std::vector<ActiveConnection> NmRasProvider::enumerate()
{
    const auto timeout = m_options.callTimeout;
    const auto listed = m_bus->await<std::optional<std::vector<nm::ActiveVpn>>>(
        [timeout](sd_bus* bus) -> std::optional<std::vector<nm::ActiveVpn>> {
            nm::CallError error;
            auto vpns = nm::listActiveVpns(bus, timeout, error);
            if (error) {
                return std::nullopt;
            }
            return vpns;
        },
        m_options.callerWait);

    const std::lock_guard lock(m_mutex);
    if (!listed || !*listed) {
        return m_links.ownConnections();
    }
    auto reconciled = m_links.reconcile(**listed, nextConnectionId);
    for (const ConnectionId id : reconciled.found) {
        Link& found = *m_links.find(id);
        if (found.state.phase() == Phase::Connected) {
            // Followed from now on with the time it was recorded activated.
            const auto recorded = m_record.activatedAt(found.activePath);
            found.activatedMs = recorded.value_or(nm::linkClockMs());
            if (!recorded) {
                m_record.save(found.activePath, found.activatedMs);
            }
            m_bus->post([this, path = found.activePath](sd_bus* bus) { readLocalAddress(bus, path); });
        }
    }
    for (const ConnectionId id : reconciled.vanished) {
        Link& link = *m_links.find(id);
        react(link, link.state.gone(ERROR_AUTOMATIC_VPN_FAILED));
    }
    return std::move(reconciled.connections);
}

DWORD NmRasProvider::statistics(ConnectionId id, LinkStatistics& statistics)
{
    const std::lock_guard lock(m_mutex);
    const Link* link = m_links.find(id);
    if (link == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (link->state.phase() != Phase::Connected) {
        return ERROR_NO_CONNECTION;
    }
    const std::uint64_t now = nm::linkClockMs();
    const std::uint64_t up = now > link->activatedMs ? now - link->activatedMs : 0;
    statistics = LinkStatistics{};
    statistics.connectDurationMs =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(up, std::numeric_limits<std::uint32_t>::max()));
    return 0;
}

LinkDetails NmRasProvider::details(ConnectionId id)
{
    LinkDetails details;
    {
        const std::lock_guard lock(m_mutex);
        const Link* link = m_links.find(id, Phase::Connected);
        if (link == nullptr) {
            return {};
        }
        details.localAddress = link->localAddress;
        details.encryption = link->encryption;
    }
    // The kernel's files are read without the lock, so the bus thread never waits on them.
    if (details.localAddress) {
        if (const auto counters = nm::countersOfAddress(*details.localAddress, m_options.systemRoot)) {
            details.bytesSent = counters->sent;
            details.bytesReceived = counters->received;
        }
    }
    return details;
}

void NmRasProvider::busOpened(sd_bus* bus)
{
    m_agentRegistered = false;
    sd_bus_match_signal(bus, nullptr, nm::kNmService, nullptr, kVpnInterface, "VpnStateChanged", onVpnStateChanged,
                        this);
    sd_bus_match_signal(bus, nullptr, nm::kNmService, nullptr, kActiveInterface, "StateChanged", onActiveStateChanged,
                        this);
    sd_bus_match_signal(bus, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                        "NameOwnerChanged", onNameOwnerChanged, this);
    m_agent.exportOn(bus);
}

void NmRasProvider::networkManagerGone()
{
    const std::lock_guard lock(m_mutex);
    m_agentRegistered = false;
    m_links.dropEarlySignals();
    m_links.forEach([this](Link& link) { react(link, link.state.gone(kErrorNmUnavailable)); });
}

int NmRasProvider::onVpnStateChanged(sd_bus_message* signal, void* self, sd_bus_error*)
{
    std::uint32_t state = 0;
    std::uint32_t reason = 0;
    const char* path = sd_bus_message_get_path(signal);
    if (path != nullptr && sd_bus_message_read(signal, "uu", &state, &reason) >= 0) {
        static_cast<NmRasProvider*>(self)->stateChanged(sd_bus_message_get_bus(signal), path, true, state, reason);
    }
    return 0;
}

int NmRasProvider::onActiveStateChanged(sd_bus_message* signal, void* self, sd_bus_error*)
{
    std::uint32_t state = 0;
    std::uint32_t reason = 0;
    const char* path = sd_bus_message_get_path(signal);
    if (path != nullptr && sd_bus_message_read(signal, "uu", &state, &reason) >= 0) {
        static_cast<NmRasProvider*>(self)->stateChanged(sd_bus_message_get_bus(signal), path, false, state, reason);
    }
    return 0;
}

int NmRasProvider::onNameOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error*)
{
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(signal, "sss", &name, &oldOwner, &newOwner) >= 0 && name != nullptr
        && std::string_view(name) == nm::kNmService && (newOwner == nullptr || newOwner[0] == '\0')) {
        static_cast<NmRasProvider*>(self)->networkManagerGone();
    }
    return 0;
}

void NmRasProvider::stateChanged(sd_bus* bus, const std::string& path, bool vpn, std::uint32_t state,
                                 std::uint32_t reason)
{
    {
        const std::lock_guard lock(m_mutex);
        const nm::LinkTable::Signal signal{vpn, state, reason};
        Link* link = m_links.signalFor(path, signal);
        if (link == nullptr) {
            return;
        }
        applyState(*link, signal);
    }
    unregisterAgentWhenIdle(bus);
}

void NmRasProvider::applyState(Link& link, const nm::LinkTable::Signal& signal)
{
    const auto now = nm::Link::Clock::now();
    react(link, signal.vpn ? link.state.vpnState(signal.state, signal.reason, now)
                           : link.state.activeState(signal.state, signal.reason, now));
}

void NmRasProvider::react(Link& link, const nm::Link::Reaction& reaction)
{
    if (link.progress) {
        for (const auto& event : reaction.events) {
            link.progress(event.state, event.error);
        }
    }
    if (link.state.phase() == Phase::Failed) {
        wipe(link.password);
    }
    if (reaction.cameUp) {
        link.activatedMs = nm::linkClockMs();
        m_record.save(link.activePath, link.activatedMs);
        wipe(link.password);
        m_bus->post([this, path = link.activePath](sd_bus* bus) { readLocalAddress(bus, path); });
    }
    if (reaction.lost) {
        m_record.clear(link.activePath);
    }
}

// NetworkManager has the VPN's IPv4 configuration in place by the time both states say
// activated; the address never changes while the link stays up.
void NmRasProvider::readLocalAddress(sd_bus* bus, const std::string& activePath)
{
    nm::CallError error;
    auto address = nm::localIpv4Address(bus, activePath, m_options.callTimeout, error);
    const std::lock_guard lock(m_mutex);
    Link* link = m_links.byActivePath(activePath);
    if (link != nullptr && link->state.phase() == Phase::Connected) {
        link->localAddress = std::move(address);
    }
}

bool NmRasProvider::failIfChecking(ConnectionId id, DWORD code)
{
    const std::lock_guard lock(m_mutex);
    Link* link = m_links.find(id, Phase::Checking);
    if (link == nullptr) {
        return false;
    }
    react(*link, link->state.fail(code));
    return true;
}

std::optional<std::string> NmRasProvider::passwordFor(const std::string& sender, const std::string& profilePath)
{
    const std::lock_guard lock(m_mutex);
    return m_links.passwordFor(sender, profilePath);
}

void NmRasProvider::deactivate(sd_bus* bus, const std::string& activePath)
{
    // ConnectionNotActive means it is down already, which is what was asked for.
    nm::CallError ignored;
    nm::callNm(
        bus, nm::kNmPath, nm::kNmService, "DeactivateConnection", m_options.callTimeout,
        [&activePath](sd_bus_message* m) { return sd_bus_message_append_basic(m, 'o', activePath.c_str()); }, ignored);
}

void NmRasProvider::unregisterAgentWhenIdle(sd_bus* bus)
{
    if (!m_agentRegistered) {
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_links.anyActivating()) {
            return;
        }
    }
    m_agent.unregister(bus, m_options.callTimeout);
    m_agentRegistered = false;
}

void NmRasProvider::reapCheckers()
{
    std::erase_if(m_checkers, [](Checker& checker) {
        if (!checker.done->load()) {
            return false;
        }
        checker.thread.join();
        return true;
    });
}

} // namespace norvanta::platform::ras
