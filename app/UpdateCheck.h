#pragma once

#include "util/CRegistryEx.h"

#include <functional>
#include <string>

namespace norvanta::app {

inline constexpr char kVersionPath[] = "/update/Update_Ver.txt";
inline constexpr char kVersionQueryBody[] = "cs/update/ver.php";
inline constexpr char kUpdaterName[] = "Norvanta_Update";

// The value that remembers which published version a user without an updater was told of.
inline constexpr char kToldVersionValue[] = "ToldVer";

struct UpdateCheckSetup {
    std::string versionUrl;                              // the version file on the service web server
    std::string updaterPath;                             // the updater next to the client's executable
    std::function<bool(const std::string& path)> launch; // starts a program, true when it ran
    // False where the package manager updates the client and no updater stands next to it.
    bool updaterInstalled = true;
};

enum class UpdateOutcome {
    RunDialog,       // no update due, or the updater could not be started
    UpdaterLaunched, // the updater runs; the client ends without a window
    TellNewVersion,  // no updater: the user is told of the new version once, then the dialog
};

// Compares the published version text with the recorded "Ver" (read through keptKey,
// which start-up keeps open for the whole run). When the server answered "200 OK" with a
// different text, starts the updater and, only once it runs, records the new text as
// "Ver", creating the settings key if needed. Without an updater nothing is launched and
// "Ver" stays; the first time a version is seen so, it is recorded as "ToldVer", put in
// `published` and TellNewVersion is returned.
UpdateOutcome CheckForUpdate(CRegistryEx& keptKey, const UpdateCheckSetup& setup, std::string* published = nullptr);

// The updater's full path for an executable directory.
std::string updaterPathIn(const std::string& executableDirectory);

} // namespace norvanta::app
