#pragma once

#include <optional>
#include <string>

namespace norvanta::app {

// What the settings store remembered from the last successful connection.
struct RememberedCredentials {
    int saveId = 0;       // "UserIDSave"
    int savePassword = 0; // "UserPWSave"
    std::string userId;   // decoded "UserID", only when saveId is 1
    std::string password; // decoded "UserPW", only when savePassword is 1
};

// Reads the remembered choices and texts; nullopt when the settings key cannot be
// opened (first run), in which case the dialog keeps its defaults.
std::optional<RememberedCredentials> RestoreCredentials();

// Writes the ID (always), both choices and, when savePassword is 1, the password, all
// Base64-encoded, creating the settings key if needed, in one step: all or nothing. When
// savePassword is 0 an earlier "UserPW" is erased. Waits about a second at most for
// another writer of the settings; failures are silent.
void SaveCredentials(const std::string& userId, const std::string& password, int saveId, int savePassword);

// The server the user chose last ("LastServer"), its name as the service sent it (CP949);
// empty when none was remembered.
std::string restoreLastServer();
// Remembers the chosen server's name, creating the settings key if needed; failures are silent.
void saveLastServer(const std::string& name);

// The client's own switches, each a DWORD beside the remembered credentials:
// AutoReconnect ("AutoReconnect", on unless switched off): a link that drops by itself is
// dialed again; ConnectOnStart ("ConnectOnStart", off unless switched on): with the ID and
// password remembered, the last server is dialed as soon as the list arrives.
enum class Switch { AutoReconnect, ConnectOnStart };

// The switch as stored, or its default when it never was.
bool restoreSwitch(Switch which);
// Remembers the switch, creating the settings key if needed; failures are silent.
void saveSwitch(Switch which, bool on);

// The user unticked a save box: what it kept is forgotten now, not with the next
// successful connection ("UserIDSave" 0; "UserPWSave" 0 and "UserPW" erased). A box that
// stays ticked changes nothing, and nothing is written when no settings were ever stored.
void forgetUnticked(int saveId, int savePassword);

enum class SaveBox { Id, Password };

// A remembered password implies a remembered ID: unchecking the ID box unchecks the
// password box, checking the password box checks the ID box. Adjusts the other state.
void applySaveBoxToggle(SaveBox toggled, int newState, int& saveId, int& savePassword);

} // namespace norvanta::app
