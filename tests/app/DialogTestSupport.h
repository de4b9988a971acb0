#pragma once

// Small helpers the dialog tests share.

#include "platform/RasApi.h"
#include "ras/RasDialer.h"
#include "ui/Cp949.h"

#include <QString>

namespace norvanta::apptest {

inline QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// What the client shows for a RAS error code.
inline QString rasText(DWORD code)
{
    char message[256] = {};
    RasGetErrorStringA(code, message, sizeof message);
    return norvanta::ui::fromCp949(message);
}

// Whether the remote-access service lists a connection of the client's entry.
inline bool linkUp()
{
    HRASCONN handle = nullptr;
    return FindConnectionByEntry(norvanta::ras::kVpnEntryName, handle) == 1;
}

} // namespace norvanta::apptest
