#include "app/ServerListLoader.h"

#include "net/QEL_Request.h"
#include "xml/XmlDocument.h"

namespace norvanta::app {
namespace {

// Fills the body text from the first attempt that reaches the server.
bool fetchBody(const std::string& url, std::string& body, const std::function<void(std::chrono::milliseconds)>& pause,
               const QEL::QEL_Network::TransportLimits& limits)
{
    QEL::QEL_Network::QEL_Request request(limits);
    for (int attempt = 1;; ++attempt) {
        std::string header;
        body.clear();
        if (request.Request(url, "", header, body)) {
            return true;
        }
        if (attempt == kServerListAttempts) {
            return false;
        }
        pause(kServerListRetryPause);
    }
}

} // namespace

bool LoadServerList(const std::string& url, QEL::QEL_Util::QEL_SyncArray<_SERVER_LIST>& servers,
                    std::vector<std::string>& names, const std::function<void(std::chrono::milliseconds)>& pause,
                    const QEL::QEL_Network::TransportLimits& limits)
{
    std::string body;
    if (!fetchBody(url, body, pause, limits)) {
        return false;
    }
    xml::XmlDocument document;
    if (!document.LoadText(std::move(body))) {
        return true;
    }
    while (document.FindChild("datarow")) {
        document.EnterChild();
        std::string name;
        std::string address;
        if (!document.ReadChildText("server_name", name) || !document.ReadChildText("server_addr", address)) {
            break;
        }
        servers.Append(_SERVER_LIST{name, address});
        names.push_back(name);
        document.LeaveElement();
    }
    return true;
}

} // namespace norvanta::app
