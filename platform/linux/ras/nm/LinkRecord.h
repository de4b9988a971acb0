#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace norvanta::platform::ras::nm {

// Milliseconds on the clock the link times are kept in: it runs from boot, suspend
// included, and is the same for every process, so a client started later reads the
// same time.
std::uint64_t linkClockMs();

// When the link now up was reported activated, kept in a small file of the user's runtime
// directory so that a client restarted while the link is up still counts from the right
// moment (NetworkManager itself keeps no such time). One link at a time: the profile can
// be active only once. With an empty file name nothing is kept.
class LinkRecord {
public:
    explicit LinkRecord(std::filesystem::path file);

    // $XDG_RUNTIME_DIR/"Norvanta VPN.link"; empty when XDG_RUNTIME_DIR is unset.
    static std::filesystem::path defaultFile();

    // Records that the active connection `activePath` was activated at `atMs`.
    void save(const std::string& activePath, std::uint64_t atMs) const;

    // The recorded time of `activePath`, or nothing when another link (or none) is recorded.
    std::optional<std::uint64_t> activatedAt(const std::string& activePath) const;

    // Forgets `activePath` if it is the one recorded.
    void clear(const std::string& activePath) const;

private:
    std::filesystem::path m_file;
};

} // namespace norvanta::platform::ras::nm
