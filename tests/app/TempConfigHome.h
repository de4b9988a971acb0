#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Points the per-user settings and phonebook at a fresh directory for one test, and
// removes it afterwards.
class TempConfigHome {
public:
    TempConfigHome()
        : m_dir(std::filesystem::temp_directory_path()
                / ("norvanta-app-test-" + std::to_string(::getpid()) + "-" + std::to_string(s_count++)))
    {
        std::filesystem::create_directories(m_dir);
        ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }
    ~TempConfigHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::filesystem::path& path() const { return m_dir; }
    std::filesystem::path settingsFile() const { return m_dir / "Norvanta VPN" / "settings.reg"; }

private:
    static inline int s_count = 0;
    std::filesystem::path m_dir;
};
