// norvanta-devservice: the development stand-in for the service web server.
// Serves a server list and a version text on 127.0.0.1 until SIGINT or SIGTERM.

#include "tools/devservice/DevService.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;

constexpr const char* kUsage =
    "usage: norvanta-devservice --serverlist FILE --version FILE [--port N] [--port-file FILE]\n"
    "                           [--request-log FILE]\n"
    "                           [--mode none|404|close-mid-header|silent|drip|nul-body|\n"
    "                                   endless-header|endless-body|hang-up] [--drip-ms N]\n";

bool readFile(const std::string& path, std::string& contents)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream buffer;
    buffer << file.rdbuf();
    contents = buffer.str();
    return true;
}

bool parseArguments(int argc, char** argv, DevServiceConfig& config, std::string& portFile)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--serverlist" && readFile(value, config.serverList)) {
            continue;
        }
        if (option == "--version" && readFile(value, config.versionText)) {
            continue;
        }
        if (option == "--port") {
            config.port = static_cast<std::uint16_t>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (option == "--port-file") {
            portFile = value;
        } else if (option == "--request-log") {
            config.requestLog = value;
        } else if (option == "--drip-ms") {
            config.dripPause = std::chrono::milliseconds(std::strtoul(value.c_str(), nullptr, 10));
        } else if (option == "--mode" && norvanta::tools::misbehaviourFromName(value)) {
            config.misbehaviour = *norvanta::tools::misbehaviourFromName(value);
        } else {
            std::cerr << "norvanta-devservice: cannot use " << option << " " << value << "\n";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    DevServiceConfig config;
    std::string portFile;
    if (!parseArguments(argc, argv, config, portFile)) {
        std::cerr << kUsage;
        return 2;
    }

    // Block the stop signals before the server thread starts so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DevService service(config);
    if (!service.start()) {
        std::cerr << "norvanta-devservice: " << service.error() << "\n";
        return 1;
    }
    if (!portFile.empty()) {
        std::ofstream(portFile) << service.port() << "\n";
    }
    std::cout << "norvanta-devservice: serving " << service.url("/serverlist.xml") << " and "
              << service.url("/update/Update_Ver.txt") << " (mode "
              << norvanta::tools::misbehaviourName(config.misbehaviour) << ")" << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    service.stop();
    return 0;
}
