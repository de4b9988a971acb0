#pragma once

#include "platform/SettingsKey.h"
#include "tests/support/TestSystem.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// Points the per-user settings and phonebook at a fresh directory for one test, and
// removes it afterwards.
class TempConfigHome {
public:
    TempConfigHome()
        : m_dir(std::filesystem::temp_directory_path()
                / ("norvanta-app-test-" + std::to_string(norvanta::testsupport::processId()) + "-" + std::to_string(s_count++)))
    {
        std::filesystem::create_directories(m_dir);
        norvanta::testsupport::setEnvironment("XDG_CONFIG_HOME", m_dir.string());
        // The seam's own hook as well: on Windows the settings live in the registry,
        // which knows nothing of XDG_CONFIG_HOME.
        norvanta::platform::setSettingsConfigHomeForTesting(m_dir.string());
    }
    ~TempConfigHome()
    {
        norvanta::platform::setSettingsConfigHomeForTesting({});
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

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
    static inline int s_count = 0;
    std::filesystem::path m_dir;
};
