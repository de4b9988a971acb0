#pragma once

#include "platform/Socket.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A socket layer without sockets, for fuzz targets that drive the HTTP client: every
// connection reaches one scripted peer, which hands out its bytes in pieces of the
// scripted sizes and then ends the stream the scripted way.
namespace norvanta::fuzz {

struct ScriptedPeer {
    std::string_view answer;            // every byte the peer sends
    std::vector<std::size_t> pieces{1}; // bytes per receive call, repeated; 0 counts as 1
    platform::ReceiveResult::Status ending = platform::ReceiveResult::Status::Closed;
    std::string received;     // what the client sent
    std::size_t answered = 0; // bytes of the answer handed out so far
    std::size_t calls = 0;    // receive calls so far
};

// The peer every later connection reaches; null: connections cannot be made.
void UseScriptedPeer(ScriptedPeer* peer);

} // namespace norvanta::fuzz
