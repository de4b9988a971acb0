#include "ScriptedSocketLayer.h"

#include "platform/common/SocketSystem.h"

#include <algorithm>
#include <utility>

namespace norvanta::platform {
namespace {

fuzz::ScriptedPeer* g_peer = nullptr;
bool g_failStart = false;
constexpr SocketHandle kScriptedSocket = 3;

} // namespace

bool startSocketLayer()
{
    return !g_failStart;
}

void setSocketLayerFailureForTesting(bool fail)
{
    g_failStart = fail;
}

bool resolveIpv4(const std::string& host, std::uint32_t& addressNetworkOrder, SocketDeadline)
{
    addressNetworkOrder = 0x0100007F;
    return !host.empty();
}

void setNameLookupDelayForTesting(std::chrono::milliseconds) {}

// The scripted socket holds nothing to close.
void socket_system::close(SocketHandle) {}

Socket Socket::connectTo(std::uint32_t, std::uint16_t, SocketDeadline, ConnectFailure* failure)
{
    if (g_peer == nullptr) {
        reportFailure(failure, ConnectFailure::Failed);
        return Socket{};
    }
    return Socket{kScriptedSocket};
}

bool Socket::sendAll(const char* data, std::size_t length, SocketDeadline)
{
    g_peer->received.append(data, length);
    return true;
}

ReceiveResult Socket::receive(char* buffer, std::size_t capacity, SocketDeadline)
{
    fuzz::ScriptedPeer& peer = *g_peer;
    const std::size_t left = peer.answer.size() - peer.answered;
    if (left == 0 || capacity == 0) {
        return ReceiveResult{peer.ending, 0};
    }
    const std::size_t piece = std::max<std::size_t>(1, peer.pieces[peer.calls++ % peer.pieces.size()]);
    const std::size_t bytes = std::min({piece, capacity, left});
    std::copy_n(peer.answer.data() + peer.answered, bytes, buffer);
    peer.answered += bytes;
    return ReceiveResult{ReceiveResult::Status::Data, bytes};
}

} // namespace norvanta::platform

namespace norvanta::fuzz {

void UseScriptedPeer(ScriptedPeer* peer)
{
    platform::g_peer = peer;
}

} // namespace norvanta::fuzz
