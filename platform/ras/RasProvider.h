#pragma once

#include "platform/LinkDetails.h"
#include "platform/RasApi.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norvanta::platform::ras {

// Names one connection; it is the connection's handle. Never 0 and never reused within a
// process, even across providers, so that a handle that was hung up stays stale.
using ConnectionId = std::uint32_t;

// A fresh id, for a connection the provider finds rather than dials (the layer gives each
// dial its id).
ConnectionId nextConnectionId();

// The settings of a phonebook entry that the client writes; texts are CP949 bytes.
struct EntrySettings {
    DWORD options = 0;
    DWORD options2 = 0;
    DWORD type = 0;
    DWORD netProtocols = 0;
    DWORD framingProtocol = 0;
    DWORD encryptionType = 0;
    DWORD vpnStrategy = 0;
    DWORD redialCount = 0;
    DWORD redialPause = 0;
    std::string localPhoneNumber;
    std::string deviceType;
    std::string deviceName;
};

// Overwrites every byte secret owns, its unused capacity and the short-text buffer inside
// the string object included, then empties it. The volatile writes are never optimised
// away, on any compiler, as a plain fill before the memory is freed may be.
inline void wipeSecret(std::string& secret)
{
    secret.resize(secret.capacity());
    volatile char* bytes = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i) {
        bytes[i] = 0;
    }
    secret.clear();
}

// One dial. An empty phonebook means the user's default phonebook. Every copy wipes its
// password when it goes away (the provider keeps what it needs in its own copies); copies
// are made instead of moves, so no moved-from string keeps the short-text bytes.
struct DialRequest {
    std::string phonebook;
    std::string entryName;
    std::string phoneNumber; // host name or address of the server
    std::string userName;
    std::string password;
    std::string domain;

    ~DialRequest() { wipeSecret(password); }
};

// A connection that is being dialed or is up.
struct ActiveConnection {
    ConnectionId id = 0;
    std::string entryName;
    std::string deviceName;
    std::string phonebook;
};

// Statistics of a connection that is up.
struct LinkStatistics {
    std::uint32_t connectDurationMs = 0;
    std::uint32_t bytesSent = 0;
    std::uint32_t bytesReceived = 0;
};

// Reports one progress event of a dial: the state reached, and the RAS error code that
// ended the dial there (0 while it goes on). A provider may call it from any thread, even
// from inside dial(); the layer queues the events and hands them to the notifier on a
// thread of its own, in the order they were reported.
using ProgressCallback = std::function<void(RASCONNSTATE state, DWORD error)>;

// What a remote-access implementation (a simulation, NetworkManager...) provides to the
// RAS-shaped functions. The layer checks sizes and field widths before calling; every
// result is a RAS or system error code, 0 for success. All members may be called from any
// thread; none may block for long (a dial that needs time reports through the callback).
class RasProvider {
public:
    virtual ~RasProvider() = default;

    // 0 when the entry is free, 183 when it exists (case-insensitive name), or an error.
    virtual DWORD validateEntryName(const std::string& phonebook, const std::string& entryName) = 0;

    // Creates or replaces the entry. 0 on success, else an error.
    virtual DWORD setEntryProperties(const std::string& phonebook, const std::string& entryName,
                                     const EntrySettings& settings) = 0;

    // Starts the dial named `id`: 0 when it started, then progress through `progress`
    // until a state with RASCS_DONE set or an event with an error; else an error code and
    // no event at all. After hangUp(id) returns, `progress` is never called again.
    virtual DWORD dial(ConnectionId id, const DialRequest& request, ProgressCallback progress) = 0;

    // Ends the connection or the dial in progress: 0 when the id was known, else 6.
    virtual DWORD hangUp(ConnectionId id) = 0;

    // The connections being dialed or up, in the provider's order.
    virtual std::vector<ActiveConnection> enumerate() = 0;

    // 0 and the statistics while the link is up; 6 for an unknown id; 668 otherwise.
    virtual DWORD statistics(ConnectionId id, LinkStatistics& statistics) = 0;

    // What the link `id` is while it is up, each part only where the provider knows it;
    // all empty otherwise. Answers at once, as statistics() does.
    virtual LinkDetails details(ConnectionId /*id*/) { return {}; }

    // A provider's own text for a code it produces (CP949), or nothing to use the
    // layer's table.
    virtual std::optional<std::string> errorText(DWORD /*code*/) const { return std::nullopt; }
};

} // namespace norvanta::platform::ras
