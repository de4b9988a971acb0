#include "app/LinkDetailsText.h"

#include "app/AppTexts.h"

#include <array>
#include <cstdio>

namespace norvanta::app {
namespace {

using Encryption = norvanta::platform::LinkDetails::Encryption;

const char* encryptionName(Encryption encryption)
{
    switch (encryption) {
    case Encryption::None:
        return text::kEncryptionNone;
    case Encryption::Mppe:
        return "MPPE";
    case Encryption::Mppe40:
        return "MPPE 40비트";
    case Encryption::Mppe56:
        return "MPPE 56비트";
    case Encryption::Mppe128:
        return "MPPE 128비트";
    }
    return "";
}

} // namespace

std::string formatByteCount(std::uint64_t bytes)
{
    if (bytes < 1024) {
        return std::to_string(bytes) + " B";
    }
    constexpr std::array<const char*, 4> kUnits = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // 1023.95 and up would print as "1024.0": the next unit reads better.
    while (value >= 1023.95 && unit + 1 < kUnits.size()) {
        value /= 1024;
        ++unit;
    }
    std::array<char, 32> shown{};
    std::snprintf(shown.data(), shown.size(), "%.1f %s", value, kUnits[unit]);
    return shown.data();
}

std::vector<std::string> describeLink(const norvanta::platform::LinkDetails& details)
{
    std::vector<std::string> lines;
    if (details.localAddress) {
        lines.push_back(std::string(text::kLinkAddress) + " " + *details.localAddress);
    }
    if (details.encryption) {
        lines.push_back(std::string(text::kLinkEncryption) + " " + encryptionName(*details.encryption));
    }
    std::string traffic;
    if (details.bytesSent) {
        traffic = std::string(text::kLinkSent) + " " + formatByteCount(*details.bytesSent);
    }
    if (details.bytesReceived) {
        traffic += (traffic.empty() ? "" : " · ") + std::string(text::kLinkReceived) + " "
                   + formatByteCount(*details.bytesReceived);
    }
    if (!traffic.empty()) {
        lines.push_back(traffic);
    }
    return lines;
}

} // namespace norvanta::app
