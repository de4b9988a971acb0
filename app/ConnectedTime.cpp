#include "app/ConnectedTime.h"

#include <cstdio>

namespace norvanta::app {

std::string formatConnectedTime(std::int32_t seconds)
{
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = (seconds % 3600) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%2d 시간 : %2d 분 : %2d 초", static_cast<int>(hours), static_cast<int>(minutes),
                  static_cast<int>(seconds % 60));
    return text;
}

} // namespace norvanta::app
