#pragma once

#include <optional>
#include <string>

// What each system's settings file gives the half the systems share: the calls that
// differ, and nothing else. A lock is an int: a descriptor on POSIX, a handle on Windows.
namespace norvanta::platform::settings_system {

inline constexpr int kNoLock = -1;

// The test override of the configuration home; empty when there is none.
std::string configHomeOverride();

// Opens, creating it when missing, the lock file at path: kErrorSuccess and the lock, or
// the error.
long openLockFile(const std::string& path, int& lock);

enum class LockAttempt { Taken, Busy, Failed };

// One try at the exclusive lock, without waiting; error tells why when it failed.
LockAttempt tryLock(int lock, long& error);

// Closing a lock file releases its lock.
void closeLockFile(int lock);

} // namespace norvanta::platform::settings_system
