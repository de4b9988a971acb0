#pragma once

#include "platform/ras/RasEventDispatcher.h"
#include "platform/ras/RasProvider.h"

#include <memory>
#include <mutex>

namespace norvanta::platform::ras {

// The process-wide state behind the RAS-shaped functions: the provider chosen by
// NORVANTA_VPN_RAS and the thread that delivers dial events.
//   unset, empty or "nm": the system's real dialer (makeSystemRasProvider)
//   "sim":                the simulated service (SimRasProvider, configured by SimRasConfig)
//   anything else:        every dial fails with a text naming the wrong value
class RasLayer {
public:
    // The one layer of the process, created on first use.
    static RasLayer& instance();

    // The current provider, chosen from the environment on first use; never null.
    std::shared_ptr<RasProvider> provider();

    RasEventDispatcher& dispatcher() { return m_dispatcher; }

    // Puts `provider` in place of the current one; null makes the next call choose again
    // from the environment. Connections of the old provider end; undelivered events are
    // dropped.
    void replaceProvider(std::unique_ptr<RasProvider> provider);

private:
    RasLayer() = default;

    std::mutex m_mutex;
    // Declared before the provider so that it outlives it: a provider's threads may still
    // report while it shuts down.
    RasEventDispatcher m_dispatcher;
    std::shared_ptr<RasProvider> m_provider;
};

// The provider NORVANTA_VPN_RAS asks for, as described above.
std::unique_ptr<RasProvider> makeProviderFromEnvironment();

} // namespace norvanta::platform::ras
