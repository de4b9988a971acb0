#include "platform/linux/ras/nm/LinkRecord.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace norvanta::platform::ras::nm {
namespace {

// The record is one line "<active path> <milliseconds>"; anything else reads as no record.
bool readRecord(const std::filesystem::path& file, std::string& path, std::uint64_t& atMs)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    char buffer[512];
    const ssize_t size = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (size <= 0) {
        return false;
    }
    std::istringstream in(std::string(buffer, static_cast<std::size_t>(size)));
    return static_cast<bool>(in >> path >> atMs);
}

} // namespace

std::uint64_t linkClockMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000U + static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
}

LinkRecord::LinkRecord(std::filesystem::path file) : m_file(std::move(file)) {}

std::filesystem::path LinkRecord::defaultFile()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return {};
    }
    return std::filesystem::path(runtime) / "Norvanta VPN.link";
}

void LinkRecord::save(const std::string& activePath, std::uint64_t atMs) const
{
    if (m_file.empty()) {
        return;
    }
    // Written whole to a temporary file and renamed, so a reader never sees half a line.
    const std::string line = activePath + " " + std::to_string(atMs) + "\n";
    auto temporary = m_file;
    temporary += ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;
    }
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), m_file.c_str()) != 0) {
        ::unlink(temporary.c_str());
    }
}

std::optional<std::uint64_t> LinkRecord::activatedAt(const std::string& activePath) const
{
    std::string path;
    std::uint64_t atMs = 0;
    if (m_file.empty() || !readRecord(m_file, path, atMs) || path != activePath || atMs > linkClockMs()) {
        return std::nullopt;
    }
    return atMs;
}

void LinkRecord::clear(const std::string& activePath) const
{
    if (activatedAt(activePath)) {
        ::unlink(m_file.c_str());
    }
}

} // namespace norvanta::platform::ras::nm
