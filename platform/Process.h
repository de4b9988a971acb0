#pragma once

#include <string>

namespace norvanta::platform {

// The running executable's full path; empty when it cannot be found.
std::string executablePath();

// The directory that holds the running executable, without a trailing separator;
// empty when it cannot be found.
std::string executableDirectory();

// The path of the program baseName in directory, named as this system names programs
// ("<directory>/<baseName>" here, "<directory>\<baseName>.exe" on Windows).
std::string programPath(const std::string& directory, const std::string& baseName);

// The end of the client's new-version notice where no updater stands beside it: how a
// user of this system brings an installed program up to date (UTF-8).
const char* updateAdvice();

// Starts the program at path with no arguments, in the current directory, without a
// shell and without waiting for it. True when the program was started.
bool launchDetached(const std::string& path);

// Keeps the process's memory, which holds the typed password, out of core files and
// away from other processes of the same user: no core file is written and the process
// is not dumpable. True when both took effect.
bool disableCoreDumps();

// Where the process has no session bus address, D-Bus would start a session bus of its
// own at the first use (dbus-launch --autolaunch) and leave its daemon running after the
// client: the address becomes the user's bus socket under XDG_RUNTIME_DIR when there is
// one, else an address that simply fails, so notifications go through the tray or not at
// all. Call before anything reaches for the bus. Nothing to do where there is no D-Bus.
void preventSessionBusAutolaunch();

} // namespace norvanta::platform
