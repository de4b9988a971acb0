#pragma once

#include <cstdint>
#include <string>

namespace norvanta::app {

// "%2d 시간 : %2d 분 : %2d 초" for a duration in whole seconds (UTF-8); the width is a
// minimum, so 100 hours take three places.
std::string formatConnectedTime(std::int32_t seconds);

} // namespace norvanta::app
