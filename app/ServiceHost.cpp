#include "app/ServiceHost.h"

#include <cstdlib>

namespace norvanta::app {

std::string serviceHost()
{
    const char* configured = std::getenv("NORVANTA_VPN_SERVICE_HOST");
    if (configured != nullptr && configured[0] != '\0') {
        return configured;
    }
    return NORVANTA_DEFAULT_SERVICE_HOST;
}

std::string serviceUrl(const std::string& path)
{
    return "http://" + serviceHost() + path;
}

} // namespace norvanta::app
