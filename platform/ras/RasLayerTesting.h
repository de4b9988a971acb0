#pragma once

#include "platform/ras/RasProvider.h"

#include <memory>

namespace norvanta::platform::ras {

// Test hooks of the remote-access layer; not for production code.

// Puts `provider` behind the RAS-shaped functions in place of the current one.
void setRasProviderForTesting(std::unique_ptr<RasProvider> provider);

// Drops the current provider so that the next RAS call reads the environment again.
void resetRasLayerForTesting();

} // namespace norvanta::platform::ras
