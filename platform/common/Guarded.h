#pragma once

#include "platform/SettingsKey.h"

#include <new>

namespace norvanta::platform {

// Runs a settings operation and keeps allocation failures and any other surprise from
// escaping the seam: they become the registry's own results.
template <typename Operation>
long guarded(Operation&& operation)
{
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return kErrorNotEnoughMemory;
    } catch (...) {
        return kErrorRegistryIoFailed;
    }
}

} // namespace norvanta::platform
