#pragma once

#include "platform/ras/RasProvider.h"

#include <memory>

namespace norvanta::platform::ras {

// The operating system's real dialer, implemented in the OS folder (Linux: NetworkManager).
// It needs nothing to start: a dialer that cannot work fails each dial with a text that
// says what to install.
std::unique_ptr<RasProvider> makeSystemRasProvider();

} // namespace norvanta::platform::ras
