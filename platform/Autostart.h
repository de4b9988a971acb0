#pragma once

namespace norvanta::platform {

// Starting the client with the user's desktop session, hidden in the tray
// ("--minimized"): an XDG autostart entry ($XDG_CONFIG_HOME/autostart/norvanta-vpn.desktop)
// on Linux, the "Norvanta VPN" value under HKCU\Software\Microsoft\Windows\CurrentVersion\Run
// on Windows. Nothing is there unless the user asks for it.
bool startsWithDesktop();

// Writes the entry (on) or removes it (off). True when the system now does as asked; a
// failed write leaves no partial entry.
bool setStartsWithDesktop(bool on);

} // namespace norvanta::platform
