#include "platform/ras/RasLayer.h"

#include "platform/ras/RasErrorText.h"
#include "platform/ras/RasLayerTesting.h"
#include "platform/ras/SimRasProvider.h"
#include "platform/ras/SystemRasProvider.h"
#include "platform/ras/UnavailableRasProvider.h"

#include <atomic>
#include <cstdlib>
#include <utility>

namespace norvanta::platform::ras {

ConnectionId nextConnectionId()
{
    static std::atomic<ConnectionId> next{1};
    return next.fetch_add(1);
}

RasLayer& RasLayer::instance()
{
    static RasLayer layer;
    return layer;
}

std::shared_ptr<RasProvider> RasLayer::provider()
{
    const std::lock_guard lock(m_mutex);
    if (!m_provider) {
        m_provider = makeProviderFromEnvironment();
    }
    return m_provider;
}

void RasLayer::replaceProvider(std::unique_ptr<RasProvider> provider)
{
    std::shared_ptr<RasProvider> old;
    {
        const std::lock_guard lock(m_mutex);
        old = std::exchange(m_provider, std::move(provider));
    }
    // The old provider is shut down outside the lock: its threads may still be reporting.
    old.reset();
    m_dispatcher.forgetAll();
}

std::unique_ptr<RasProvider> makeProviderFromEnvironment()
{
    const char* chosen = std::getenv("NORVANTA_VPN_RAS");
    const std::string value = chosen != nullptr ? chosen : "";
    if (value.empty() || value == "nm") {
        return makeSystemRasProvider();
    }
    if (value == "sim") {
        std::string problem;
        if (auto config = SimRasConfig::fromEnvironment(problem)) {
            return std::make_unique<SimRasProvider>(std::move(*config));
        }
        return std::make_unique<UnavailableRasProvider>(kErrorSimulationConfig, simulationConfigText(problem));
    }
    return std::make_unique<UnavailableRasProvider>(kErrorUnknownProvider, unknownProviderText(value));
}

void setRasProviderForTesting(std::unique_ptr<RasProvider> provider)
{
    RasLayer::instance().replaceProvider(std::move(provider));
}

void resetRasLayerForTesting()
{
    RasLayer::instance().replaceProvider(nullptr);
}

} // namespace norvanta::platform::ras
