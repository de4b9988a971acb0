#pragma once

#include "util/CRegistryEx.h"

#include <functional>
#include <string>

namespace norvanta::app {

inline constexpr char kVersionPath[] = "/update/Update_Ver.txt";
inline constexpr char kVersionQueryBody[] = "cs/update/ver.php";
inline constexpr char kUpdaterName[] = "Norvanta_Update";

struct UpdateCheckSetup {
    std::string versionUrl;  // the version file on the service web server
    std::string updaterPath; // the updater next to the client's executable
    std::function<bool(const std::string& path)> launch; // starts a program, true when it ran
};

enum class UpdateOutcome {
    RunDialog,       // no update due, or the updater could not be started
    UpdaterLaunched, // the updater runs; the client ends without a window
};

// Compares the published version text with the recorded "Ver" (read through keptKey,
// which start-up keeps open for the whole run). When the server answered "200 OK" with a
// different text, starts the updater and, only once it runs, records the new text as
// "Ver", creating the settings key if needed.
UpdateOutcome CheckForUpdate(CRegistryEx& keptKey, const UpdateCheckSetup& setup);

// The updater's full path for an executable directory.
std::string updaterPathIn(const std::string& executableDirectory);

} // namespace norvanta::app
