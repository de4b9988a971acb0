#include "platform/linux/ras/RasPhonebookFile.h"

#include "platform/linux/ras/RasEntryName.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <vector>

namespace norvanta::platform::ras {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::string homeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    passwd entry{};
    passwd* result = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr
        && result->pw_dir != nullptr && result->pw_dir[0] == '/') {
        return result->pw_dir;
    }
    return {};
}

// Creates every missing directory of `dir` with mode 0700, as the XDG rules ask for
// configuration directories.
bool makeDirectories(const std::string& dir)
{
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string prefix = dir.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

bool isSectionHeader(const std::string& line, std::string& name)
{
    const auto open = line.find_first_not_of(" \t");
    const auto close = line.find_last_of(']');
    if (open == std::string::npos || line[open] != '[' || close == std::string::npos || close < open) {
        return false;
    }
    name = line.substr(open + 1, close - open - 1);
    return true;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

DWORD parseNumber(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    return (errno != 0 || end == text.c_str()) ? 0 : static_cast<DWORD>(value);
}

void applyKey(EntrySettings& settings, const std::string& key, const std::string& value)
{
    struct NumberKey {
        const char* name;
        DWORD EntrySettings::*field;
    };
    static const NumberKey numberKeys[] = {
        {"Options", &EntrySettings::options},
        {"Options2", &EntrySettings::options2},
        {"Type", &EntrySettings::type},
        {"NetProtocols", &EntrySettings::netProtocols},
        {"FramingProtocol", &EntrySettings::framingProtocol},
        {"EncryptionType", &EntrySettings::encryptionType},
        {"VpnStrategy", &EntrySettings::vpnStrategy},
        {"RedialCount", &EntrySettings::redialCount},
        {"RedialPause", &EntrySettings::redialPause},
    };
    for (const auto& numberKey : numberKeys) {
        if (key == numberKey.name) {
            settings.*numberKey.field = parseNumber(value);
            return;
        }
    }
    if (key == "PhoneNumber") {
        settings.localPhoneNumber = value;
    } else if (key == "DeviceType") {
        settings.deviceType = value;
    } else if (key == "DeviceName") {
        settings.deviceName = value;
    }
}

std::string formatSection(const std::string& entryName, const EntrySettings& settings)
{
    char numbers[512];
    std::snprintf(numbers, sizeof numbers,
                  "Type=%u\nOptions=0x%08X\nOptions2=0x%08X\nNetProtocols=%u\nFramingProtocol=%u\n"
                  "EncryptionType=%u\nVpnStrategy=%u\nRedialCount=%u\nRedialPause=%u\n",
                  settings.type, settings.options, settings.options2, settings.netProtocols,
                  settings.framingProtocol, settings.encryptionType, settings.vpnStrategy,
                  settings.redialCount, settings.redialPause);
    std::ostringstream section;
    section << '[' << entryName << "]\n"
            << numbers << "PhoneNumber=" << settings.localPhoneNumber << '\n'
            << "DeviceType=" << settings.deviceType << '\n'
            << "DeviceName=" << settings.deviceName << '\n';
    return section.str();
}

bool hasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

enum class ReadResult { Read, Missing, Failed };

ReadResult readLines(const std::string& path, std::vector<std::string>& lines)
{
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return ReadResult::Failed;
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    std::istringstream in(content);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return ReadResult::Read;
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Replaces the file in one step, so that a crash or a full disk leaves the old phonebook
// whole rather than a half-written one.
bool replaceFile(const std::string& path, const std::string& content)
{
    std::string temporary = path + ".XXXXXX";
    const FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        return false;
    }
    const bool written = ::fchmod(fd.get(), 0600) == 0 && writeAll(fd.get(), content) && ::fsync(fd.get()) == 0
                         && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) {
        ::unlink(temporary.c_str());
    }
    return written;
}

} // namespace

RasPhonebookFile::RasPhonebookFile(std::string path)
    : m_path(path.empty() ? defaultPath() : std::move(path))
{
}

std::string RasPhonebookFile::defaultPath()
{
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        base = config;
    } else if (const std::string home = homeDirectory(); !home.empty()) {
        base = home + "/.config";
    } else {
        return {};
    }
    return base + "/Norvanta VPN/rasphone.pbk";
}

DWORD RasPhonebookFile::find(const std::string& entryName, EntrySettings& settings) const
{
    if (m_path.empty()) {
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    }
    std::vector<std::string> lines;
    switch (readLines(m_path, lines)) {
    case ReadResult::Missing:
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    case ReadResult::Failed:
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    case ReadResult::Read:
        break;
    }
    bool inEntry = false;
    bool found = false;
    EntrySettings read;
    for (const auto& line : lines) {
        if (std::string name; isSectionHeader(line, name)) {
            // A user may have copied the entry; as with several matching connections, the
            // last section of the name is the one that counts.
            inEntry = sameEntryName(name, entryName);
            if (inEntry) {
                found = true;
                read = EntrySettings{};
            }
            continue;
        }
        const auto equals = line.find('=');
        if (inEntry && equals != std::string::npos) {
            applyKey(read, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
        }
    }
    if (!found) {
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    }
    settings = read;
    return 0;
}

DWORD RasPhonebookFile::write(const std::string& entryName, const EntrySettings& settings) const
{
    if (hasLineBreak(settings.localPhoneNumber) || hasLineBreak(settings.deviceType)
        || hasLineBreak(settings.deviceName)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (m_path.empty()) {
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    const auto slash = m_path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(m_path.substr(0, slash))) {
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    const std::string lockPath = m_path + ".lock";
    const FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.get() < 0 || ::flock(lock.get(), LOCK_EX) != 0) {
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    }

    std::vector<std::string> lines;
    if (readLines(m_path, lines) == ReadResult::Failed) {
        // Rewriting a file we could not read would lose the other entries in it.
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    const std::string section = formatSection(entryName, settings);
    std::string content;
    bool replaced = false;
    bool skipping = false;
    for (const auto& line : lines) {
        if (std::string name; isSectionHeader(line, name)) {
            skipping = sameEntryName(name, entryName);
            if (skipping && !replaced) {
                content += section;
                replaced = true;
            }
            if (skipping) {
                continue;
            }
        }
        if (!skipping) {
            content += line + '\n';
        }
    }
    if (!replaced) {
        if (!content.empty() && !content.ends_with("\n\n")) {
            content += '\n';
        }
        content += section;
    }
    return replaceFile(m_path, content) ? 0 : ERROR_CANNOT_WRITE_PHONEBOOK;
}

} // namespace norvanta::platform::ras
