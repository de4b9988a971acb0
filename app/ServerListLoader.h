#pragma once

#include "net/QEL_Request.h"
#include "util/QEL_SyncArray.h"
#include "util/ServerList.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace norvanta::app {

inline constexpr char kServerListPath[] = "/serverlist.xml";
inline constexpr int kServerListAttempts = 3;
inline constexpr std::chrono::milliseconds kServerListRetryPause{100};

// Fetches the server list from url and appends one record per datarow of the root, in
// document order, to servers and its name to names (a name is added even when the
// record could not be). Up to three attempts, pause() between them, while the transport
// fails; a body that is not a well-formed document is not retried. Loading stops at the
// first datarow without a server_name or without a server_addr after it; what was read
// before stays. Returns false only when every attempt failed to reach the server.
// `limits` bound each attempt (the request's own defaults unless a test needs less).
bool LoadServerList(const std::string& url, QEL::QEL_Util::QEL_SyncArray<_SERVER_LIST>& servers,
                    std::vector<std::string>& names, const std::function<void(std::chrono::milliseconds)>& pause,
                    const QEL::QEL_Network::TransportLimits& limits = {});

} // namespace norvanta::app
