#include "platform/ras/SystemRasProvider.h"

#include "platform/linux/ras/NmRasProvider.h"

namespace norvanta::platform::ras {

std::unique_ptr<RasProvider> makeSystemRasProvider()
{
    return std::make_unique<NmRasProvider>();
}

} // namespace norvanta::platform::ras
