#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norvanta::platform::ras {

// How the simulated remote-access service behaves. Read from the environment:
//   NORVANTA_VPN_SIM_CONFIG       file of "key = value" lines (keys below), '#' comments
//   NORVANTA_VPN_SIM_ACCOUNTS     "user:password[,user:password...]"      (key: account)
//   NORVANTA_VPN_SIM_UNREACHABLE  "host[,host...]" names or addresses     (key: unreachable)
//   NORVANTA_VPN_SIM_STEP_MS      delay before each progress event        (key: step_ms)
//   NORVANTA_VPN_SIM_DROP_AFTER_MS link drops this long after connecting  (key: drop_after_ms)
//   NORVANTA_VPN_SIM_DROP_FILE    the link drops when this file appears   (key: drop_file)
// The file is read first; a variable then replaces a number or path and adds to a list.
struct SimRasConfig {
    static constexpr std::chrono::milliseconds kDefaultStep{300};
    static constexpr std::chrono::milliseconds kMaxStep{60'000};
    static constexpr std::chrono::milliseconds kMaxDropAfter{24 * 3'600'000};

    // (user, password) pairs, in CP949, that authenticate; "demo"/"demo" when none is
    // configured.
    std::vector<std::pair<std::string, std::string>> accounts;
    // Hosts or addresses that resolve but never answer (dials to them end with 800).
    std::vector<std::string> unreachable;
    std::chrono::milliseconds step = kDefaultStep;
    // 0: the link stays up until hung up.
    std::chrono::milliseconds dropAfter{0};
    // Empty: no file triggers a drop.
    std::string dropFile;

    // The configuration the environment describes, or nothing with `problem` naming where
    // it is wrong ("NORVANTA_VPN_SIM_STEP_MS", "/path/sim.conf:3", ...).
    static std::optional<SimRasConfig> fromEnvironment(std::string& problem);
};

} // namespace norvanta::platform::ras
