#include "tests/support/Patience.h"

#include <cstdlib>
#include <thread>

namespace norvanta::testsupport {

double timeoutScale()
{
    const char* text = std::getenv("NORVANTA_TIMEOUT_SCALE");
    if (text == nullptr) {
        return 1.0;
    }
    char* end = nullptr;
    const double scale = std::strtod(text, &end);
    return end != text && *end == '\0' && scale > 0 ? scale : 1.0;
}

std::chrono::milliseconds scaled(std::chrono::milliseconds limit)
{
    return std::chrono::milliseconds(static_cast<long long>(static_cast<double>(limit.count()) * timeoutScale()));
}

int scaledMs(int milliseconds)
{
    return static_cast<int>(scaled(std::chrono::milliseconds(milliseconds)).count());
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + scaled(limit);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace norvanta::testsupport
