#pragma once

#include "platform/RasApi.h"

// <ras.h> gives this name to the service's own notification message (0xCCCD); the client's
// name is the message it posts to its main dialog.
#ifdef WM_RASDIALEVENT
#undef WM_RASDIALEVENT
#endif

// The dial event posted to the main dialog: wParam = RASCONNSTATE, lParam = RAS error
// code (0 when none). WM_USER + 0xCA.
inline constexpr unsigned int WM_RASDIALEVENT = 0x4CA;

// The notifier the connection workflow hands to CRasDialer::Dial. It runs on a thread of
// the remote access service and does one thing: it passes (handle, state, error) to the
// sink the application registered, dropping the extended error code. The handle is what
// lets the window tell this dial's events from a late one of an earlier dial. Without a
// sink the event is dropped.
void WINAPI RasDialNotifier(HRASCONN hRasConn, UINT unMsg, RASCONNSTATE state, DWORD error, DWORD extendedError);

namespace norvanta::ras {

// Receives each dial event on the service's thread. It must only hand the event over (the
// application posts WM_RASDIALEVENT to g_pMainDlg's window) and return at once.
using DialEventSink = void (*)(HRASCONN connection, RASCONNSTATE state, DWORD error);

// Registers the sink RasDialNotifier calls; null removes it. Safe to call from any thread.
void setDialEventSink(DialEventSink sink);

// The Korean name (CP949) of a progress state, "(ERROR)" for a value without one.
const char* connStateName(DWORD state);

} // namespace norvanta::ras
