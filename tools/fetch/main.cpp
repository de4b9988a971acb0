// norvanta-fetch: sends one request with the client's own HTTP code and prints the
// header block and the body, so the service web server can be checked by hand.

#include "net/QEL_Request.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: norvanta-fetch URL [BODY]\n";
        return 2;
    }
    QEL::QEL_Network::QEL_Request request;
    std::string header;
    std::string body;
    if (!request.Request(argv[1], argc == 3 ? argv[2] : "", header, body)) {
        std::cerr << "norvanta-fetch: request failed (" << body << ")\n";
        return 1;
    }
    std::cout << header << body;
    if (!body.empty() && body.back() != '\n') {
        std::cout << '\n';
    }
    return 0;
}
