#pragma once

#include <string>

namespace norvanta::platform {

// The directory that holds the running executable, without a trailing separator;
// empty when it cannot be found.
std::string executableDirectory();

// Starts the program at path with no arguments, in the current directory, without a
// shell and without waiting for it. True when the program was started.
bool launchDetached(const std::string& path);

// Keeps the process's memory, which holds the typed password, out of core files and
// away from other processes of the same user: no core file is written and the process
// is not dumpable. True when both took effect.
bool disableCoreDumps();

} // namespace norvanta::platform
