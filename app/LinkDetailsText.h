#pragma once

#include "platform/LinkDetails.h"

#include <cstdint>
#include <string>
#include <vector>

namespace norvanta::app {

// The lines that tell the user what the link is (UTF-8): "주소 10.8.0.2",
// "암호화 MPPE 128비트", "보냄 1.5 MB · 받음 12.0 MB". A part the system does not tell is
// left out; no line at all when nothing is known.
std::vector<std::string> describeLink(const norvanta::platform::LinkDetails& details);

// A byte count as people read it: "512 B", "1.5 KB", "12.0 MB", "3.2 GB" (1024 steps).
std::string formatByteCount(std::uint64_t bytes);

} // namespace norvanta::app
