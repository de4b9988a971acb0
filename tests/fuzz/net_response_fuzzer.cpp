// Feeds arbitrary server answers to the HTTP client through the socket seam, in pieces of
// arbitrary sizes and with any ending, and checks what it makes of them against a model:
// the header is every byte up to the first empty line, the body the rest, the caps fail
// the request, and how the bytes were split never changes the outcome.
//
// Input: byte 0 picks the ending (closed, failed, timed out) and the caps; bytes 1..4 are
// the piece sizes; the rest is the answer.
#include "ScriptedSocketLayer.h"
#include "net/QEL_Request.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using norvanta::fuzz::ScriptedPeer;
using norvanta::fuzz::UseScriptedPeer;
using norvanta::platform::ReceiveResult;
using QEL::QEL_Network::QEL_Request;
using QEL::QEL_Network::Response;
using QEL::QEL_Network::TransportLimits;

constexpr std::size_t kControlBytes = 5;

void require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// Where the header ends by the rule the client follows: after the first line feed that
// closes a line holding nothing but carriage returns; at the end when there is none.
std::size_t modelHeaderLength(std::string_view answer)
{
    bool lineBlank = true;
    for (std::size_t i = 0; i < answer.size(); ++i) {
        if (answer[i] == '\n') {
            if (lineBlank) {
                return i + 1;
            }
            lineBlank = true;
        } else if (answer[i] != '\r') {
            lineBlank = false;
        }
    }
    return answer.size();
}

struct Outcome {
    int status = -1;
    std::string header;
    std::string body;
    bool operator==(const Outcome&) const = default;
};

Outcome fetch(ScriptedPeer& peer, const TransportLimits& limits)
{
    UseScriptedPeer(&peer);
    QEL_Request request(limits);
    Response response;
    Outcome outcome;
    outcome.status = request.SendRequest("a=1", 3, "http://vpn.example/list.xml", "", response);
    outcome.header = response.header.text();
    outcome.body = response.body.text();
    require(response.bodyLength == response.body.size());
    UseScriptedPeer(nullptr);
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kControlBytes) {
        return 0;
    }
    const std::uint8_t control = data[0];
    ScriptedPeer peer;
    peer.answer = std::string_view{reinterpret_cast<const char*>(data) + kControlBytes, size - kControlBytes};
    peer.pieces.assign({std::size_t{data[1]} * 37 + 1, std::size_t{data[2]} + 1, std::size_t{data[3]} * 5 + 1,
                        std::size_t{data[4]} + 1});
    const ReceiveResult::Status endings[] = {ReceiveResult::Status::Closed, ReceiveResult::Status::Failed,
                                             ReceiveResult::Status::TimedOut};
    peer.ending = endings[control % 3];

    TransportLimits limits;
    limits.maxHeaderBytes = (control & 0x08) ? 32 : 4096;
    limits.maxBodyBytes = (control & 0x10) ? 64 : 1 << 20;
    const Outcome split = fetch(peer, limits);

    ScriptedPeer whole;
    whole.answer = peer.answer;
    whole.pieces.assign({whole.answer.size()});
    whole.ending = peer.ending;
    const Outcome unsplit = fetch(whole, limits);
    require(split == unsplit);
    require(peer.received == whole.received && peer.received.starts_with("POST /list.xml HTTP/1.0\r\n"));

    const std::size_t headerLength = modelHeaderLength(peer.answer);
    const std::size_t bodyLength = peer.answer.size() - headerLength;
    const bool fits = headerLength <= limits.maxHeaderBytes && bodyLength <= limits.maxBodyBytes;
    const bool expectSuccess = fits && peer.ending != ReceiveResult::Status::TimedOut;
    require(split.status == (expectSuccess ? 0 : 1));
    if (expectSuccess) {
        require(split.header == peer.answer.substr(0, headerLength));
        require(split.body == peer.answer.substr(headerLength));
    }

    // The text form: cut at the first NUL on success, "ERROR" and the header untouched on failure.
    ScriptedPeer again;
    again.answer = peer.answer;
    again.pieces = peer.pieces;
    again.ending = peer.ending;
    UseScriptedPeer(&again);
    std::string headerText = "untouched";
    std::string bodyText;
    const bool fetched = QEL_Request(limits).Request("http://vpn.example/list.xml", "", headerText, bodyText);
    UseScriptedPeer(nullptr);
    require(fetched == expectSuccess);
    if (fetched) {
        require(headerText == split.header.substr(0, split.header.find('\0')));
        require(bodyText == split.body.substr(0, split.body.find('\0')));
    } else {
        require(headerText == "untouched" && bodyText == "ERROR");
    }
    return 0;
}
