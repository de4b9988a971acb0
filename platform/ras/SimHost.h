#pragma once

#include <string>
#include <vector>

namespace norvanta::platform::ras {

// What the simulation needs from the operating system, implemented in each OS folder.

// The addresses `host` resolves to, as text; `resolved` is false when the name does not
// resolve (an empty name never does).
std::vector<std::string> resolveHostAddresses(const std::string& host, bool& resolved);

// An outside way to drop a simulated link (SIGUSR1 on POSIX), listened to while at least
// one simulation holds it; the last release restores what was there before.
void acquireExternalDropRequest();
void releaseExternalDropRequest();

// True once for each drop asked from outside since the last call.
bool takeExternalDropRequest();

} // namespace norvanta::platform::ras
