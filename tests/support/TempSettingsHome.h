#pragma once

#include "platform/SettingsKey.h"
#include "tests/support/TestSystem.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace norvanta::testsupport {

// A fresh folder that holds the per-user settings and the phonebook for one test, removed
// at the end. It is named through the seam's own hook, as the registry and Windows'
// application data know nothing of XDG_CONFIG_HOME, and through that variable, which
// programs the test starts read; its old value comes back at the end.
class TempSettingsHome {
public:
    TempSettingsHome() : m_dir(makeTemporaryDirectory("norvanta-home-"))
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            m_oldVariable = old;
        }
        setEnvironment("XDG_CONFIG_HOME", m_dir.string());
        platform::setSettingsConfigHomeForTesting(m_dir.string());
    }
    ~TempSettingsHome()
    {
        platform::setSettingsConfigHomeForTesting({});
        setEnvironment("XDG_CONFIG_HOME", m_oldVariable);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    TempSettingsHome(const TempSettingsHome&) = delete;
    TempSettingsHome& operator=(const TempSettingsHome&) = delete;

    const std::filesystem::path& path() const { return m_dir; }
    std::filesystem::path settingsFile() const { return m_dir / "Norvanta VPN" / "settings.reg"; }
    // The settings file's bytes; empty where there is none (on Windows, always).
    std::string settingsText() const
    {
        std::ifstream in(settingsFile(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

private:
    std::filesystem::path m_dir;
    std::optional<std::string> m_oldVariable;
};

} // namespace norvanta::testsupport
