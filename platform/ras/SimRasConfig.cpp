#include "platform/ras/SimRasConfig.h"

#include "platform/CodePage.h"

#include <charconv>
#include <cstdlib>
#include <fstream>

namespace norvanta::platform::ras {
namespace {

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> splitList(std::string_view text)
{
    std::vector<std::string> items;
    for (std::size_t start = 0; start <= text.size();) {
        const auto comma = std::min(text.find(',', start), text.size());
        if (auto item = trimmed(text.substr(start, comma - start)); !item.empty()) {
            items.push_back(std::move(item));
        }
        start = comma + 1;
    }
    return items;
}

bool parseMilliseconds(std::string_view text, std::chrono::milliseconds limit, std::chrono::milliseconds& out)
{
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()
        || value > static_cast<unsigned long long>(limit.count())) {
        return false;
    }
    out = std::chrono::milliseconds(value);
    return true;
}

// Accounts are written in UTF-8 (the environment, the config file) but compared with what
// the user typed, which reaches the dialer as CP949.
bool parseAccount(std::string_view text, SimRasConfig& config)
{
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    auto user = exactCp949FromUtf8(text.substr(0, colon));
    auto password = exactCp949FromUtf8(text.substr(colon + 1));
    if (!user || !password) {
        return false;
    }
    config.accounts.emplace_back(std::move(*user), std::move(*password));
    return true;
}

// Applies one setting; false when its value is wrong or the key unknown.
bool applySetting(const std::string& key, const std::string& value, SimRasConfig& config)
{
    if (key == "account") {
        return parseAccount(value, config);
    }
    if (key == "unreachable") {
        if (value.empty()) {
            return false;
        }
        config.unreachable.push_back(value);
        return true;
    }
    if (key == "step_ms") {
        return parseMilliseconds(value, SimRasConfig::kMaxStep, config.step);
    }
    if (key == "drop_after_ms") {
        return parseMilliseconds(value, SimRasConfig::kMaxDropAfter, config.dropAfter);
    }
    if (key == "drop_file") {
        config.dropFile = value;
        return true;
    }
    return false;
}

bool readFile(const std::string& path, SimRasConfig& config, std::string& problem)
{
    std::ifstream in(path);
    if (!in) {
        problem = path;
        return false;
    }
    unsigned lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::string content = trimmed(line);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        const auto equals = content.find('=');
        // Account passwords are taken as written after the blanks around '=' are gone.
        if (equals == std::string::npos
            || !applySetting(trimmed(content.substr(0, equals)), trimmed(content.substr(equals + 1)), config)) {
            problem = path + ":" + std::to_string(lineNumber);
            return false;
        }
    }
    if (in.bad()) {
        problem = path;
        return false;
    }
    return true;
}

const char* variable(const char* name)
{
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] != '\0') ? value : nullptr;
}

bool applyVariables(SimRasConfig& config, std::string& problem)
{
    if (const char* accounts = variable("NORVANTA_VPN_SIM_ACCOUNTS")) {
        for (const auto& account : splitList(accounts)) {
            if (!parseAccount(account, config)) {
                problem = "NORVANTA_VPN_SIM_ACCOUNTS";
                return false;
            }
        }
    }
    if (const char* hosts = variable("NORVANTA_VPN_SIM_UNREACHABLE")) {
        for (auto& host : splitList(hosts)) {
            config.unreachable.push_back(std::move(host));
        }
    }
    if (const char* step = variable("NORVANTA_VPN_SIM_STEP_MS");
        step != nullptr && !parseMilliseconds(step, SimRasConfig::kMaxStep, config.step)) {
        problem = "NORVANTA_VPN_SIM_STEP_MS";
        return false;
    }
    if (const char* dropAfter = variable("NORVANTA_VPN_SIM_DROP_AFTER_MS");
        dropAfter != nullptr && !parseMilliseconds(dropAfter, SimRasConfig::kMaxDropAfter, config.dropAfter)) {
        problem = "NORVANTA_VPN_SIM_DROP_AFTER_MS";
        return false;
    }
    if (const char* dropFile = variable("NORVANTA_VPN_SIM_DROP_FILE")) {
        config.dropFile = dropFile;
    }
    return true;
}

} // namespace

std::optional<SimRasConfig> SimRasConfig::fromEnvironment(std::string& problem)
{
    SimRasConfig config;
    if (const char* path = variable("NORVANTA_VPN_SIM_CONFIG"); path != nullptr && !readFile(path, config, problem)) {
        return std::nullopt;
    }
    if (!applyVariables(config, problem)) {
        return std::nullopt;
    }
    if (config.accounts.empty()) {
        config.accounts.emplace_back("demo", "demo");
    }
    return config;
}

} // namespace norvanta::platform::ras
