#include "platform/Autostart.h"

#include "platform/SettingsFile.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace norvanta::platform {
namespace {

// What the desktop's session manager starts at login: the installed client, hidden in
// the tray where there is one.
constexpr char kEntry[] = "[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Norvanta VPN\n"
                          "Comment=Norvanta VPN client, started at login\n"
                          "Exec=norvanta-vpn --minimized\n"
                          "Icon=norvanta-vpn\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n";

std::optional<std::filesystem::path> entryPath()
{
    const auto home = SettingsFile::configHome();
    if (!home) {
        return std::nullopt;
    }
    return std::filesystem::path(*home) / "autostart" / "norvanta-vpn.desktop";
}

// Written beside its place and renamed over it, so that a session starting meanwhile
// never reads half an entry.
bool writeEntry(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::filesystem::path temporary = path;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << kEntry;
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace

bool startsWithDesktop()
{
    const auto path = entryPath();
    std::error_code error;
    return path && std::filesystem::is_regular_file(*path, error);
}

bool setStartsWithDesktop(bool on)
{
    const auto path = entryPath();
    if (!path) {
        return false;
    }
    if (on) {
        return writeEntry(*path);
    }
    std::error_code error;
    std::filesystem::remove(*path, error);
    return !error;
}

} // namespace norvanta::platform
