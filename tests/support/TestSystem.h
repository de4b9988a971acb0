#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The few operating-system calls the tests themselves make, with one implementation per
// system (posix/, win32/), so that the same test files build for Linux and Windows.
namespace norvanta::testsupport {

// Sets the environment variable, or removes it for nullopt, for this process and the
// C runtime's getenv alike.
void setEnvironment(const std::string& name, const std::optional<std::string>& value);

// A new, empty directory below the system's temporary folder, named prefix + something
// unique; aborts the test program when none can be made.
std::filesystem::path makeTemporaryDirectory(const std::string& prefix);

// Asks the running simulations of this process to drop their links, the way a user
// would from outside (SIGUSR1 on POSIX, the simulation's named event on Windows).
void requestSimulatedLinkDrop();

// A piece of the text a dial through the system's own dialer fails with in a test:
// NetworkManager's name on Linux (there is no system bus), the request to choose the
// simulation in the Windows test programs (they leave rasapi32 out).
const char* systemDialerFailureHint();

// This process's id, for names that must not clash with a parallel test program.
long processId();

} // namespace norvanta::testsupport
