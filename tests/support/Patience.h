#pragma once

#include <chrono>
#include <functional>

// How long a test waits for something to come true. Every limit goes through scaled(),
// so that NORVANTA_TIMEOUT_SCALE (a positive number, default 1) stretches them all on
// a slow or loaded machine; no test waits by sleeping a fixed time.
namespace norvanta::testsupport {

// The scale NORVANTA_TIMEOUT_SCALE asks for; 1 when it is unset or not a positive number.
double timeoutScale();

std::chrono::milliseconds scaled(std::chrono::milliseconds limit);

// scaled() in the int milliseconds Qt Test's QTRY_* macros take.
int scaledMs(int milliseconds);

// Polls the condition until it holds or the scaled limit is over; the last poll's answer.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(30));

} // namespace norvanta::testsupport
