#include "tests/support/TestSystem.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace norvanta::testsupport {

void setEnvironment(const std::string& name, const std::optional<std::string>& value)
{
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

std::filesystem::path makeTemporaryDirectory(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern;
}

void requestSimulatedLinkDrop()
{
    std::raise(SIGUSR1);
}

const char* systemDialerFailureHint()
{
    return "NetworkManager";
}

long processId()
{
    return static_cast<long>(::getpid());
}

} // namespace norvanta::testsupport
