#pragma once

#include "platform/ras/RasProvider.h"

#include <string>

namespace norvanta::platform::ras {

// A phonebook kept in a file of the user's own, in the INI shape of the Windows phonebook:
// one "[entry name]" section per entry, "Key=value" lines. Entries the client did not
// write, and keys it does not know, are kept as they are whenever the file is rewritten.
// As with the Windows profile functions, blanks around a value are not part of it and one
// pair of enclosing quotation marks is removed; a text that needs either is written quoted.
class RasPhonebookFile {
public:
    // `path` empty means the default phonebook, defaultPath().
    explicit RasPhonebookFile(std::string path);

    // "$XDG_CONFIG_HOME/Norvanta VPN/rasphone.pbk", falling back to ~/.config when the
    // variable is unset or not absolute; empty when no home directory can be found.
    static std::string defaultPath();

    // The file this phonebook reads and writes; empty when there is none.
    const std::string& path() const { return m_path; }

    // 0 and the entry's settings when it exists (name compared case-insensitively);
    // 623 when it does not (a missing file holds no entry); 621 when the file cannot be read.
    DWORD find(const std::string& entryName, EntrySettings& settings) const;

    // Writes the entry in place of one of the same name, or appends it. Atomic (temporary
    // file, fsync, rename) under an exclusive lock; directory 0700, file 0600. Returns 0;
    // 87 when a text holds a line break; 624 when the file cannot be written.
    DWORD write(const std::string& entryName, const EntrySettings& settings) const;

private:
    std::string m_path;
};

} // namespace norvanta::platform::ras
