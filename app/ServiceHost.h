#pragma once

#include <string>

namespace norvanta::app {

// The service web server as "host" or "host:port": NORVANTA_VPN_SERVICE_HOST when set
// and not empty, else the default the build was configured with.
std::string serviceHost();

// "http://" + serviceHost() + path.
std::string serviceUrl(const std::string& path);

} // namespace norvanta::app
