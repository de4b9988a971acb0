// Fetches large bodies from the development service over loopback, with QEL_Request
// and with curl in the same run, and prints the median times and their ratio.
// Usage: bench_http [repetitions]   (curl must be on PATH)

#include "net/QEL_Request.h"
#include "tools/devservice/DevService.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double fetchWithClient(const std::string& url, std::size_t expectedSize)
{
    QEL::QEL_Network::QEL_Request request;
    std::string header;
    std::string body;
    const auto start = Clock::now();
    const bool ok = request.Request(url, "", header, body);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!ok || body.size() != expectedSize) {
        std::cerr << "QEL_Request fetched " << body.size() << " bytes, wanted " << expectedSize << "\n";
        std::exit(1);
    }
    return seconds;
}

// curl's own transfer time (-w time_total) leaves out its process start-up, which
// would otherwise flatter the client.
double fetchWithCurl(const std::string& url, double& wallSeconds)
{
    const std::string command = "curl -s -X POST -H 'Content-Type: application/x-www-form-urlencoded' "
                                "-o /dev/null -w '%{time_total}' '"
                                + url + "'";
    const auto start = Clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        std::exit(1);
    }
    double transfer = 0;
    const int fields = std::fscanf(pipe, "%lf", &transfer);
    if (::pclose(pipe) != 0 || fields != 1) {
        std::cerr << "curl failed\n";
        std::exit(1);
    }
    wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    return transfer;
}

void benchOneSize(std::size_t size, int repetitions)
{
    DevServiceConfig config;
    config.serverList = std::string(size, 'x');
    DevService service(config);
    if (!service.start()) {
        std::cerr << service.error() << "\n";
        std::exit(1);
    }
    const std::string url = service.url("/serverlist.xml");
    std::vector<double> client;
    std::vector<double> curl;
    std::vector<double> curlWall;
    for (int i = 0; i < repetitions; ++i) {
        client.push_back(fetchWithClient(url, size));
        double wall = 0;
        curl.push_back(fetchWithCurl(url, wall));
        curlWall.push_back(wall);
    }
    const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("%6.1f MiB  QEL_Request %8.2f ms (%7.1f MiB/s)  curl transfer %8.2f ms  "
                "curl with start-up %8.2f ms  ratio QEL/curl %.2f\n",
                mib, median(client) * 1e3, mib / median(client), median(curl) * 1e3, median(curlWall) * 1e3,
                median(client) / median(curl));
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::printf("median of %d fetches over loopback from the development service\n", repetitions);
    benchOneSize(1024 * 1024, repetitions);
    benchOneSize(10 * 1024 * 1024, repetitions);
    return 0;
}
