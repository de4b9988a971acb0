#pragma once

namespace norvanta::platform {

// Brings up the socket layer before a network operation. Safe to call before every
// request; returns false when the layer cannot start (the caller treats that as a
// transport failure). On Linux it always succeeds unless a test asked it to fail.
bool StartSocketLayer();

// Test hook: while set, StartSocketLayer() fails. Not for production code.
void SetSocketLayerFailureForTesting(bool fail);

} // namespace norvanta::platform
