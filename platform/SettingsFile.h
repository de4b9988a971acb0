#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace norvanta::platform {

// A file the client keeps in its private directory (by default the settings file,
// "<config home>/Norvanta VPN/settings.reg"), its lock file "<name>.lock" beside it, and
// the operations that keep it whole. Readers need no lock (a rename replaces the file in
// one step); everything that changes the directory holds the lock. Results are Windows
// LONG codes.
class SettingsFile {
public:
    // Larger files are taken for damaged and moved aside; writes that would grow the file
    // beyond this fail.
    static constexpr std::size_t kMaxBytes = 8u * 1024u * 1024u;

    // The exclusive writer lock; released when destroyed. Move-only.
    class Lock {
    public:
        Lock() = default;
        ~Lock();
        Lock(Lock&& other) noexcept;
        Lock& operator=(Lock&& other) noexcept;
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        friend class SettingsFile;
        int m_fd = -1;
    };

    // The settings directory: the test override, else $XDG_CONFIG_HOME (when absolute),
    // else $HOME/.config, else the password database's home, each followed by
    // "/Norvanta VPN". Nothing when no home can be found.
    static std::optional<std::string> locateDirectory();
    // The configuration home the settings directory lies in (the same rules, without
    // "/Norvanta VPN"), where other programs' per-user configuration lives too.
    static std::optional<std::string> configHome();

    // Test hook behind setSettingsConfigHomeForTesting; empty returns to the environment.
    static void setConfigHomeOverride(std::string configHome);

    explicit SettingsFile(std::string directory, std::string fileName = "settings.reg");

    // Full path of the file.
    const std::string& path() const { return m_path; }

    // Reads the whole file into text. kErrorFileNotFound when it does not exist;
    // kErrorInvalidData when it is not a regular file or larger than kMaxBytes.
    long read(std::string& text) const;

    // Creates the directory (0700; group and other rights of an existing one are removed).
    long makePrivateDirectory() const;

    // How long lock() waits for another writer unless told otherwise.
    static constexpr std::chrono::milliseconds kLockPatience{10000};

    // Creates the directory (0700; group and other rights of an existing one are removed)
    // and waits at most patience for the exclusive lock (kErrorLockViolation when it stays
    // taken).
    long lock(Lock& lock, std::chrono::milliseconds patience = kLockPatience) const;

    // Replaces the file with text: temporary file "<name>.tmp" (0600), fsync, rename, fsync of the
    // directory. Needs the lock. On failure the old file is untouched.
    long replace(std::string_view text) const;

    // Renames the file to "<name>.corrupt-<UTC time>[-n]", never over another file.
    // Needs the lock.
    long moveAside() const;

private:
    std::string m_directory;
    std::string m_path;
    std::string m_lockPath;
    std::string m_temporaryPath;
};

} // namespace norvanta::platform
