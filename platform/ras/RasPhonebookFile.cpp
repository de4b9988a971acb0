#include "platform/ras/RasPhonebookFile.h"

#include "platform/SettingsKey.h"
#include "platform/SettingsFile.h"
#include "platform/ras/RasEntryName.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace norvanta::platform::ras {
namespace {

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

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Enclosed in a pair of double or single quotation marks, which an INI reader removes.
bool isEnclosedInQuotes(const std::string& text)
{
    return text.size() >= 2 && text.front() == text.back() && (text.front() == '"' || text.front() == '\'');
}

// INI readers drop the blanks around a value and one pair of enclosing quotation marks,
// so a text that starts or ends with either is written inside quotation marks.
std::string quotedIfNeeded(const std::string& text)
{
    const bool needsQuotes =
        !text.empty() && (isBlank(text.front()) || isBlank(text.back()) || isEnclosedInQuotes(text));
    return needsQuotes ? '"' + text + '"' : text;
}

std::string unquoted(const std::string& text)
{
    return isEnclosedInQuotes(text) ? text.substr(1, text.size() - 2) : text;
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
        settings.localPhoneNumber = unquoted(value);
    } else if (key == "DeviceType") {
        settings.deviceType = unquoted(value);
    } else if (key == "DeviceName") {
        settings.deviceName = unquoted(value);
    }
}

std::string formatSection(const std::string& entryName, const EntrySettings& settings)
{
    char numbers[512];
    std::snprintf(numbers, sizeof numbers,
                  "Type=%u\nOptions=0x%08X\nOptions2=0x%08X\nNetProtocols=%u\nFramingProtocol=%u\n"
                  "EncryptionType=%u\nVpnStrategy=%u\nRedialCount=%u\nRedialPause=%u\n",
                  unsigned{settings.type}, unsigned{settings.options}, unsigned{settings.options2},
                  unsigned{settings.netProtocols}, unsigned{settings.framingProtocol},
                  unsigned{settings.encryptionType}, unsigned{settings.vpnStrategy}, unsigned{settings.redialCount},
                  unsigned{settings.redialPause});
    std::ostringstream section;
    section << '[' << entryName << "]\n"
            << numbers << "PhoneNumber=" << quotedIfNeeded(settings.localPhoneNumber) << '\n'
            << "DeviceType=" << quotedIfNeeded(settings.deviceType) << '\n'
            << "DeviceName=" << quotedIfNeeded(settings.deviceName) << '\n';
    return section.str();
}

bool hasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

// Splits the file's text into lines; a missing file holds none.
DWORD readLines(const SettingsFile& file, std::vector<std::string>& lines, DWORD failure)
{
    std::string content;
    const long result = file.read(content);
    if (result == kErrorFileNotFound) {
        return 0;
    }
    if (result != kErrorSuccess) {
        return failure;
    }
    std::istringstream in(content);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return 0;
}

// The phonebook shares the settings file's directory and its way of writing: a private
// directory, a bounded wait for the lock, a temporary file renamed over the old one.
SettingsFile fileAt(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos
               ? SettingsFile(".", path)
               : SettingsFile(path.substr(0, std::max<std::size_t>(slash, 1)), path.substr(slash + 1));
}

} // namespace

RasPhonebookFile::RasPhonebookFile(std::string path) : m_path(path.empty() ? defaultPath() : std::move(path)) {}

std::string RasPhonebookFile::defaultPath()
{
    const auto directory = SettingsFile::locateDirectory();
    return directory ? *directory + "/rasphone.pbk" : std::string();
}

DWORD RasPhonebookFile::find(const std::string& entryName, EntrySettings& settings) const
{
    if (m_path.empty()) {
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    }
    std::vector<std::string> lines;
    if (const DWORD result = readLines(fileAt(m_path), lines, ERROR_CANNOT_OPEN_PHONEBOOK); result != 0) {
        return result;
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
    const SettingsFile file = fileAt(m_path);
    SettingsFile::Lock lock;
    if (file.lock(lock) != kErrorSuccess) {
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    std::vector<std::string> lines;
    // Rewriting a file we could not read would lose the other entries in it.
    if (readLines(file, lines, ERROR_CANNOT_WRITE_PHONEBOOK) != 0) {
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
    return file.replace(content) == kErrorSuccess ? 0 : ERROR_CANNOT_WRITE_PHONEBOOK;
}

} // namespace norvanta::platform::ras
